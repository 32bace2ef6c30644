#include "interruptwatch.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace korvo::cli {

namespace {

// The one pair of the process, made at the first watch: a signal handler can reach nothing else.
int g_interruptPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_interruptPipe[1], &byte, 1);
}

} // namespace

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
{
    if (g_interruptPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_interruptPipe) != 0)
        return; // without the pair the signals keep their default: Ctrl+C ends the program at once
    m_notifier = std::make_unique<QSocketNotifier>(g_interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onInterrupt = std::move(onInterrupt)] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(g_interruptPipe[0], &byte, 1);
        onInterrupt();
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

InterruptWatch::~InterruptWatch()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

} // namespace korvo::cli
