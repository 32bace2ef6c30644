#include "engine/engineslot.h"

#include "app/clock.h"

#include <algorithm>
#include <climits>

namespace korvo {

namespace {
// How soon a deadline that found bytes waiting looks again: long enough for the event loop to hand them
// over through the link's own notification.
constexpr int kWaitingRecheckMs = 1;
} // namespace

EngineSlot::EngineSlot(Clock &clock, Apply apply, BytesWaiting bytesWaiting)
    : m_clock(clock), m_apply(std::move(apply)), m_bytesWaiting(std::move(bytesWaiting)),
      m_timer(clock.createTimer([this] {
          if (!m_engine)
              return;
          // Bytes that were already waiting come first: they may put a silence off. Once they have been
          // handed on, their step arms the deadline again and it is judged afresh.
          if (m_bytesWaiting && m_bytesWaiting()) {
              m_timer->start(kWaitingRecheckMs);
              return;
          }
          m_engine->timerFired(m_clock.nowMs());
          pump();
      }))
{
}

EngineSlot::~EngineSlot() = default;

quint64 EngineSlot::hold(DeviceEngine &engine, EventSink sink)
{
    m_engine = &engine;
    m_sink = std::move(sink);
    m_id = m_nextId++;
    return m_id;
}

void EngineSlot::clear()
{
    m_timer->stop();
    m_engine = nullptr;
    m_sink = nullptr;
}

void EngineSlot::pump()
{
    // An engine step may lead its owner to release the lease from the sink, or to hold the next engine;
    // nothing touches a released engine after that, and a step started from inside a sink call (the next
    // engine's start among them) is finished by the outer one.
    if (m_pumping || !m_engine)
        return;
    m_pumping = true;
    while (m_engine) {
        const quint64 id = m_id;
        const std::vector<LinkAction> actions = m_engine->takeOutput();
        // After a failed write the rest of the batch would fail the same way: the engine hears it once.
        for (const LinkAction &action : actions)
            if (!active(id) || !m_apply(action))
                break;
        if (!active(id))
            continue;
        const std::vector<EngineEvent> events = m_engine->takeEvents();
        // The sink runs from a copy: letting the lease go inside it drops the slot's own.
        if (const EventSink sink = m_sink; !events.empty() && sink)
            sink(events);
        // A paced write that completed at once may have produced more output meanwhile.
        if (active(id) && actions.empty() && events.empty())
            break;
    }
    if (m_engine) {
        const std::optional<qint64> deadline = m_engine->nextDeadline();
        m_timer->stop();
        if (deadline && !m_engine->isFinished())
            m_timer->start(int(std::clamp<qint64>(*deadline - m_clock.nowMs(), 0, INT_MAX)));
    }
    m_pumping = false;
}

} // namespace korvo
