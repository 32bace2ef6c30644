#include "shutdownsignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvo {

namespace {
int g_pair[2] = {-1, -1};

void onSignal(int number)
{
    // Only async-signal-safe calls here; the event loop does the rest.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pair[0], &byte, 1);
    errno = saved;
}

void installHandler(int number, void (*handler)(int))
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}
} // namespace

ShutdownSignals::ShutdownSignals(QObject *parent) : QObject(parent)
{
    if (g_pair[0] >= 0)
        return; // one instance per process owns the handlers
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair) != 0) {
        qWarning("Session shutdown signals are not handled: %s", std::strerror(errno));
        g_pair[0] = g_pair[1] = -1;
        return;
    }
    ::fcntl(g_pair[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readSignal);
    installHandler(SIGTERM, onSignal);
    installHandler(SIGHUP, onSignal);
}

ShutdownSignals::~ShutdownSignals()
{
    if (!m_notifier)
        return;
    installHandler(SIGTERM, SIG_DFL);
    installHandler(SIGHUP, SIG_DFL);
    delete m_notifier;
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair[0] = g_pair[1] = -1;
}

void ShutdownSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(g_pair[1], &byte, 1) == 1)
        emit shutdownRequested(byte);
}

} // namespace korvo
