#include "spi/ppdevport.h"

#include "link/portnames.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#ifdef Q_OS_LINUX
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#endif

namespace korvo {

PpdevPort::~PpdevPort()
{
    close();
}

QString PpdevPort::openErrorText(const QString &device, int error)
{
    QString text = QStringLiteral("%1: %2.").arg(device, QString::fromLocal8Bit(std::strerror(error)));
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        text += QStringLiteral(" There is no such parallel port, or the ppdev module is not loaded "
                               "(sudo modprobe ppdev).");
        break;
    case EACCES:
    case EPERM: {
        const QString hint = permissionHint(device);
        text += QLatin1Char(' ') +
                (hint.isEmpty() ? QStringLiteral("On Debian, join the group \"lp\" (sudo usermod -a -G lp "
                                                 "$USER, then log in again).")
                                : hint);
        break;
    }
    case EBUSY:
        text += QStringLiteral(" Another program or driver (lp, a printer daemon) holds the port.");
        break;
    default:
        break;
    }
    return text;
}

bool PpdevPort::open(const QString &device, QString *error)
{
    close();
#ifdef Q_OS_LINUX
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *error = openErrorText(device, errno);
        return false;
    }
    if (::ioctl(fd, PPCLAIM) != 0) {
        *error = openErrorText(device, errno);
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_device = device;
    m_accessError.clear();
    return true;
#else
    *error = openErrorText(device, ENODEV);
    return false;
#endif
}

void PpdevPort::close()
{
    if (m_fd < 0)
        return;
#ifdef Q_OS_LINUX
    ::ioctl(m_fd, PPRELEASE);
#endif
    ::close(m_fd);
    m_fd = -1;
}

void PpdevPort::noteFailure(const char *what)
{
    if (m_accessError.isEmpty())
        m_accessError = QStringLiteral("%1 (%2): %3")
                            .arg(m_device, QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

void PpdevPort::writeData(quint8 value)
{
#ifdef Q_OS_LINUX
    unsigned char byte = value;
    if (m_fd >= 0 && ::ioctl(m_fd, PPWDATA, &byte) != 0)
        noteFailure("PPWDATA");
#else
    (void)value;
#endif
}

quint8 PpdevPort::readStatus()
{
#ifdef Q_OS_LINUX
    unsigned char byte = 0;
    if (m_fd >= 0 && ::ioctl(m_fd, PPRSTATUS, &byte) != 0)
        noteFailure("PPRSTATUS");
    return byte;
#else
    return 0;
#endif
}

} // namespace korvo
