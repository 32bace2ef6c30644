#pragma once

// korvo-sim's clock: the program's time, with timers to the microsecond. A byte at 115200 baud takes 87 us;
// millisecond timers would hold every reply of the simulated line back by up to a millisecond more than the
// wire does, and the benchmarks would count that against the program.

#include "app/clock.h"

namespace korvo {

class LineClock final : public Clock
{
public:
    qint64 nowMs() const override { return systemClock().nowMs(); }
    qint64 nowNs() const override { return systemClock().nowNs(); }
    std::unique_ptr<OneShotTimer> createTimer(std::function<void()> onTimeout) override;
};

// The one LineClock of the process.
Clock &lineClock();

} // namespace korvo
