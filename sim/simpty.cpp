#include "simpty.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace korvo {

int baudOfSpeed(unsigned speed)
{
    static const std::pair<speed_t, int> speeds[] = {
        {B300, 300},     {B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
    };
    for (const auto &[constant, baud] : speeds)
        if (constant == speed)
            return baud;
    return 0;
}

SimPty::SimPty(ControllerSim &controller, QObject *parent) : SimPty(controller, lineClock(), parent) {}

SimPty::SimPty(ControllerSim &controller, Clock &clock, QObject *parent)
    : QObject(parent), m_controller(controller),
      m_inbound(clock, [this](const QByteArray &bytes, qint64 arrivalNs) { arrive(bytes, arrivalNs); }),
      m_pacer([this](const QByteArray &bytes) { write(bytes); }, clock)
{
}

SimPty::~SimPty()
{
    drop();
}

bool SimPty::open(QString *error)
{
    const auto fail = [&](const char *what) {
        *error =
            QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        drop();
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail("posix_openpt");
    // Not inherited by programs started meanwhile (a test's korvo-cli): a copy of the master in another
    // process would keep the line up after a hang-up here.
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return fail("grantpt/unlockpt");
    const char *name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname");
    m_path = QString::fromLocal8Bit(name);
    if (!openSlave(error)) {
        drop();
        return false;
    }
    m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &SimPty::onReadable);
    m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &SimPty::onWritable);
    return true;
}

bool SimPty::openSlave(QString *error)
{
    m_slave = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0) {
        *error = QStringLiteral("open %1: %2").arg(m_path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // Raw until the program sets its own modes: no echo or line editing by the kernel.
    termios modes{};
    if (::tcgetattr(m_slave, &modes) == 0) {
        ::cfmakeraw(&modes);
        ::cfsetspeed(&modes, B9600);
        ::tcsetattr(m_slave, TCSANOW, &modes);
    }
    return true;
}

void SimPty::stall()
{
    // Silent from now on; letting go of our own hold on the slave shows when the program closes it.
    m_inbound.clear();
    m_pacer.clear();
    m_unwritten.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
}

int SimPty::lineBaud() const
{
    termios modes{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &modes) != 0)
        return 0;
    return baudOfSpeed(::cfgetospeed(&modes));
}

void SimPty::drop()
{
    const bool wasOpen = m_master >= 0;
    m_readNotifier.reset();
    m_writeNotifier.reset();
    m_inbound.clear();
    m_pacer.clear();
    m_unwritten.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
    if (wasOpen)
        emit dropped();
}

void SimPty::onReadable()
{
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n <= 0) {
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        // EIO: no one holds the slave open, which only happens while a stalled device waits for the
        // program to close the port. It is opened again at once; anything else ends the pty.
        QString error;
        if (n < 0 && errno == EIO && m_slave < 0 && openSlave(&error)) {
            m_faults.reopen();
            return;
        }
        drop();
        return;
    }
    const QByteArray bytes(buffer, n);
    m_receivedCount += bytes.size();
    m_inbound.push(bytes);
}

void SimPty::arrive(const QByteArray &bytes, qint64 arrivalNs)
{
    m_controller.setLineBaud(lineBaud());
    const auto taken = [this](const QByteArray &piece) {
        if (m_tap)
            m_tap(piece);
        emit bytesReceived(piece);
    };
    // The controller answers the moment the last byte arrived, however late the wire handed it on.
    const auto answer = [&](const QByteArray &output) { m_pacer.send(output, arrivalNs); };
    const LineFaults::Event event = m_faults.deliver(bytes, m_controller, taken, answer);
    if (event == LineFaults::Event::Stall)
        stall();
    else if (event == LineFaults::Event::Hangup)
        drop();
}

void SimPty::write(const QByteArray &bytes)
{
    if (m_master < 0 || m_slave < 0) // gone, or stalled
        return;
    const QByteArray sent = m_faults.toProgram(bytes);
    if (sent.isEmpty())
        return;
    emit bytesSent(sent);
    m_unwritten += sent;
    onWritable();
}

void SimPty::onWritable()
{
    while (!m_unwritten.isEmpty()) {
        const ssize_t n = ::write(m_master, m_unwritten.constData(), size_t(m_unwritten.size()));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break; // EAGAIN: the program is not reading; try again when the pty drains
        }
        m_unwritten.remove(0, n);
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_unwritten.isEmpty());
}

} // namespace korvo
