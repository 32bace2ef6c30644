#pragma once

// Time for protocol engines: the program uses Qt timers, tests a fake clock that runs in virtual time.

#include <QtGlobal>
#include <functional>
#include <memory>

namespace korvo {

// A one-shot timer; start() re-arms it with a new interval, restart() re-arms it with the last one.
class OneShotTimer
{
public:
    virtual ~OneShotTimer() = default;
    virtual void start(int intervalMs) = 0;
    // Arms to the nanosecond where the timer can (korvo-sim's line); others round up to whole milliseconds.
    virtual void startNs(qint64 intervalNs) { start(int((intervalNs + 999'999) / 1'000'000)); }
    virtual void restart() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int interval() const = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() const = 0;
    // The same time finer, for pacing bytes shorter than a millisecond.
    virtual qint64 nowNs() const { return nowMs() * 1'000'000; }
    // The callback runs on the thread's event loop (or from FakeClock::advance in tests).
    virtual std::unique_ptr<OneShotTimer> createTimer(std::function<void()> onTimeout) = 0;
};

// The program's clock, built on QElapsedTimer and QTimer.
Clock &systemClock();

} // namespace korvo
