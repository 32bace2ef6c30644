#pragma once

// A clock that runs in virtual time: advance() fires due timers in deadline order.

#include "app/clock.h"

#include <map>
#include <vector>

namespace korvo {

class FakeClock final : public Clock
{
public:
    ~FakeClock() override;
    qint64 nowMs() const override { return m_now; }
    std::unique_ptr<OneShotTimer> createTimer(std::function<void()> onTimeout) override;

    // Moves time forward by ms, firing every timer that falls due on the way (also ones armed meanwhile).
    void advance(qint64 ms);
    // Fires timers until none is armed or the limit passes; returns the virtual time spent.
    qint64 runUntilIdle(qint64 limitMs = 3'600'000);
    // Deadline of the earliest armed timer, or -1.
    qint64 nextDeadline() const;

private:
    class Timer;
    void arm(Timer *timer, qint64 deadline);
    void disarm(Timer *timer);
    bool fireNextDue(qint64 until);

    qint64 m_now = 0;
    quint64 m_sequence = 0;
    // (deadline, arming order) -> timer, so equal deadlines fire in the order they were armed.
    std::map<std::pair<qint64, quint64>, Timer *> m_armed;
    std::vector<Timer *> m_timers;
};

} // namespace korvo
