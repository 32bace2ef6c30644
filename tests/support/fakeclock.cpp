#include "fakeclock.h"

#include <algorithm>

namespace korvo {

class FakeClock::Timer final : public OneShotTimer
{
public:
    Timer(FakeClock *clock, std::function<void()> onTimeout)
        : m_clock(clock), m_onTimeout(std::move(onTimeout))
    {
    }
    ~Timer() override
    {
        if (m_clock) {
            m_clock->disarm(this);
            std::erase(m_clock->m_timers, this);
        }
    }
    void start(int intervalMs) override
    {
        m_interval = std::max(0, intervalMs);
        restart();
    }
    void restart() override
    {
        if (m_clock)
            m_clock->arm(this, m_clock->m_now + m_interval);
    }
    void stop() override
    {
        if (m_clock)
            m_clock->disarm(this);
    }
    bool isActive() const override { return m_active; }
    int interval() const override { return m_interval; }

    FakeClock *m_clock;
    std::function<void()> m_onTimeout;
    int m_interval = 0;
    bool m_active = false;
    std::pair<qint64, quint64> m_key{};
};

FakeClock::~FakeClock()
{
    for (Timer *timer : m_timers)
        timer->m_clock = nullptr;
}

std::unique_ptr<OneShotTimer> FakeClock::createTimer(std::function<void()> onTimeout)
{
    auto timer = std::make_unique<Timer>(this, std::move(onTimeout));
    m_timers.push_back(timer.get());
    return timer;
}

void FakeClock::arm(Timer *timer, qint64 deadline)
{
    disarm(timer);
    timer->m_key = {deadline, m_sequence++};
    timer->m_active = true;
    m_armed.emplace(timer->m_key, timer);
}

void FakeClock::disarm(Timer *timer)
{
    if (timer->m_active) {
        m_armed.erase(timer->m_key);
        timer->m_active = false;
    }
}

bool FakeClock::fireNextDue(qint64 until)
{
    if (m_armed.empty() || m_armed.begin()->first.first > until)
        return false;
    Timer *timer = m_armed.begin()->second;
    m_now = std::max(m_now, m_armed.begin()->first.first);
    disarm(timer);
    timer->m_onTimeout();
    return true;
}

void FakeClock::advance(qint64 ms)
{
    const qint64 until = m_now + ms;
    while (fireNextDue(until)) {
    }
    m_now = until;
}

qint64 FakeClock::runUntilIdle(qint64 limitMs)
{
    const qint64 start = m_now;
    while (fireNextDue(start + limitMs)) {
    }
    return m_now - start;
}

qint64 FakeClock::nextDeadline() const
{
    return m_armed.empty() ? -1 : m_armed.begin()->first.first;
}

} // namespace korvo
