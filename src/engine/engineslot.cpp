#include "engine/engineslot.h"

#include "app/clock.h"

#include <algorithm>
#include <climits>

namespace korvo {

EngineSlot::EngineSlot(Clock &clock, Apply apply)
    : m_clock(clock), m_apply(std::move(apply)), m_timer(clock.createTimer([this] {
          if (!m_engine)
              return;
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
    // An engine step may lead its owner to release the lease from the sink; nothing touches the engine
    // after that, and a step started from inside a sink call is finished by the outer one.
    if (m_pumping || !m_engine)
        return;
    m_pumping = true;
    const quint64 id = m_id;
    while (active(id)) {
        const std::vector<LinkAction> actions = m_engine->takeOutput();
        // After a failed write the rest of the batch would fail the same way: the engine hears it once.
        for (const LinkAction &action : actions)
            if (!active(id) || !m_apply(action))
                break;
        if (!active(id))
            break;
        const std::vector<EngineEvent> events = m_engine->takeEvents();
        if (!events.empty() && m_sink)
            m_sink(events);
        // A paced write that completed at once may have produced more output meanwhile.
        if (actions.empty() && events.empty())
            break;
    }
    if (active(id)) {
        const std::optional<qint64> deadline = m_engine->nextDeadline();
        m_timer->stop();
        if (deadline && !m_engine->isFinished())
            m_timer->start(int(std::clamp<qint64>(*deadline - m_clock.nowMs(), 0, INT_MAX)));
    }
    m_pumping = false;
}

} // namespace korvo
