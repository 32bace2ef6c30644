#pragma once

// The engine a link carries (a terminal's CommLink, the SPI converter's port): which engine holds the lease,
// the one step loop that runs its output through the link and hands its events to the lease's owner, and
// its deadline armed on the clock. A deadline reaches the engine only after what the link has already
// received: an event loop that was busy past it finds the timer and the device's bytes due together, and
// the deadline waits while the bytes go the usual way.

#include "engine/deviceengine.h"

#include <functional>
#include <memory>
#include <vector>

namespace korvo {

class Clock;
class OneShotTimer;

class EngineSlot
{
public:
    using EventSink = std::function<void(const std::vector<EngineEvent> &events)>;
    // Carries out one of the engine's actions; false stops the batch (the engine has heard why).
    using Apply = std::function<bool(const LinkAction &action)>;
    // Whether the link holds received bytes it has not handed on yet.
    using BytesWaiting = std::function<bool()>;

    EngineSlot(Clock &clock, Apply apply, BytesWaiting bytesWaiting = {});
    ~EngineSlot();

    // Takes engine under a new lease id, which it returns.
    quint64 hold(DeviceEngine &engine, EventSink sink);
    // Lets the engine go: nothing reaches it any more.
    void clear();
    DeviceEngine *engine() const { return m_engine; }
    quint64 id() const { return m_id; }
    bool active(quint64 id) const { return m_engine && id == m_id; }

    // Takes the engine's output and events until it has none, then arms its deadline.
    void pump();

private:
    Clock &m_clock;
    Apply m_apply;
    BytesWaiting m_bytesWaiting;
    std::unique_ptr<OneShotTimer> m_timer;
    DeviceEngine *m_engine = nullptr;
    EventSink m_sink;
    quint64 m_id = 0;
    quint64 m_nextId = 1;
    bool m_pumping = false;
};

} // namespace korvo
