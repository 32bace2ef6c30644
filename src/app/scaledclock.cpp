#include "app/scaledclock.h"

#include <algorithm>

namespace korvo {

namespace {
class ScaledTimer final : public OneShotTimer
{
public:
    ScaledTimer(std::unique_ptr<OneShotTimer> base, int factor) : m_base(std::move(base)), m_factor(factor) {}
    void start(int intervalMs) override
    {
        m_interval = std::max(0, intervalMs);
        // Rounded up: a scaled time-out never ends before its share of the real one.
        m_base->start((m_interval + m_factor - 1) / m_factor);
    }
    void restart() override { start(m_interval); }
    void stop() override { m_base->stop(); }
    bool isActive() const override { return m_base->isActive(); }
    int interval() const override { return m_interval; }

private:
    std::unique_ptr<OneShotTimer> m_base;
    int m_factor;
    int m_interval = 0;
};
} // namespace

ScaledClock::ScaledClock(Clock &base, int factor) : m_base(base), m_factor(std::max(1, factor)) {}

std::unique_ptr<OneShotTimer> ScaledClock::createTimer(std::function<void()> onTimeout)
{
    return std::make_unique<ScaledTimer>(m_base.createTimer(std::move(onTimeout)), m_factor);
}

} // namespace korvo
