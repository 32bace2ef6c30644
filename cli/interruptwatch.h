#pragma once

// Ctrl+C (SIGINT) and SIGTERM as an event of the event loop: the signal handler only writes a byte to a
// socket pair, and the loop calls the handler given here. The default handlers come back when the watch ends.

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace korvo::cli {

class InterruptWatch
{
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace korvo::cli
