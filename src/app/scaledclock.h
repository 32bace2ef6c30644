#pragma once

// A clock that runs a whole number of times faster than another: every pause, silence interval and
// time-out of an engine on it passes that much sooner. Against korvo-sim, which needs no settling time,
// scripts and tests use it to skip the waits a real controller needs (korvo-cli --time-scale N).

#include "app/clock.h"

namespace korvo {

class ScaledClock final : public Clock
{
public:
    ScaledClock(Clock &base, int factor);
    qint64 nowMs() const override { return m_base.nowMs() * m_factor; }
    qint64 nowNs() const override { return m_base.nowNs() * m_factor; }
    std::unique_ptr<OneShotTimer> createTimer(std::function<void()> onTimeout) override;
    int factor() const { return m_factor; }

private:
    Clock &m_base;
    int m_factor;
};

} // namespace korvo
