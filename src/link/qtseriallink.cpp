#include "qtseriallink.h"

#include "link/portnames.h"
#include "link/waitingbytes.h"

#ifdef Q_OS_UNIX
#include <poll.h>
#endif

namespace korvo {

SerialSettings parseSerialSettings(const QString &settings)
{
    SerialSettings result;
    const QStringList parts = settings.split(u',');
    bool ok = false;
    result.baud = parts.value(0).trimmed().toInt(&ok);
    if (!ok || result.baud <= 0)
        return result;
    const QString parity = parts.value(1, QStringLiteral("N")).trimmed().toUpper();
    if (parity == u"N")
        result.parity = QSerialPort::NoParity;
    else if (parity == u"E")
        result.parity = QSerialPort::EvenParity;
    else if (parity == u"O")
        result.parity = QSerialPort::OddParity;
    else if (parity == u"M")
        result.parity = QSerialPort::MarkParity;
    else if (parity == u"S")
        result.parity = QSerialPort::SpaceParity;
    else
        return result;
    const int bits = parts.value(2, QStringLiteral("8")).trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return result;
    result.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString stop = parts.value(3, QStringLiteral("1")).trimmed();
    if (stop == u"1")
        result.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        result.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        result.stopBits = QSerialPort::TwoStop;
    else
        return result;
    result.valid = true;
    return result;
}

QtSerialLink::QtSerialLink(QObject *parent) : SerialLink(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &QtSerialLink::onReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialLink::onError);
}

QtSerialLink::~QtSerialLink()
{
    m_port.disconnect(this);
    m_port.close();
}

bool QtSerialLink::open(const QString &portName, const QString &settings)
{
    if (m_port.isOpen())
        m_port.close();
    m_name = portName;
    m_error.clear();
    const SerialSettings parsed = parseSerialSettings(settings);
    if (!parsed.valid) {
        m_error = QStringLiteral("Invalid port settings \"%1\".").arg(settings);
        return false;
    }
    m_port.setPortName(portName);
    if (!m_port.open(QIODevice::ReadWrite)) {
        QString description = QStringLiteral("Cannot open %1: %2").arg(portName, m_port.errorString());
        const QString hint = permissionHint(portName);
        if (!hint.isEmpty())
            description += QStringLiteral("\n") + hint;
        else if (m_port.error() == QSerialPort::PermissionError)
            // Access is granted, so the refusal is a lock or an exclusive open by someone else.
            description += QStringLiteral("\nThe port is in use by another program.");
        m_error = description;
        return false;
    }
    if (!apply(parsed)) {
        m_error = QStringLiteral("Cannot set %1 to %2: %3").arg(portName, settings, m_port.errorString());
        m_port.close();
        return false;
    }
    return true;
}

bool QtSerialLink::apply(const SerialSettings &settings)
{
    return m_port.setBaudRate(settings.baud) && m_port.setParity(settings.parity) &&
           m_port.setDataBits(settings.dataBits) && m_port.setStopBits(settings.stopBits) &&
           m_port.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerialLink::close()
{
    if (m_port.isOpen())
        m_port.close();
}

bool QtSerialLink::setSettings(const QString &settings)
{
    const SerialSettings parsed = parseSerialSettings(settings);
    if (!parsed.valid) {
        m_error = QStringLiteral("Invalid port settings \"%1\".").arg(settings);
        return false;
    }
    if (!m_port.isOpen())
        return true;
    if (!apply(parsed)) {
        m_error = QStringLiteral("Cannot set %1 to %2: %3").arg(m_name, settings, m_port.errorString());
        return false;
    }
    return true;
}

bool QtSerialLink::write(const QByteArray &data)
{
    if (!m_port.isOpen()) {
        m_error =
            QStringLiteral("%1 is not open.").arg(m_name.isEmpty() ? QStringLiteral("The port") : m_name);
        return false;
    }
    // QSerialPort writes from its buffer when the event loop next looks; the line should not wait for that,
    // and a failure of the write is then the answer of this call.
    m_port.clearError();
    if (m_port.write(data) != data.size() || (!m_port.flush() && m_port.error() == QSerialPort::WriteError)) {
        m_error = QStringLiteral("Cannot write to %1: %2").arg(m_name, m_port.errorString());
        return false;
    }
    return true;
}

QByteArray QtSerialLink::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

bool QtSerialLink::hasBytesWaiting() const
{
    return m_port.isOpen() && (m_port.bytesAvailable() > 0 || waitingByteCount(m_port.handle()) > 0);
}

void QtSerialLink::setRts(bool on)
{
    // Ports without modem lines (ptys, some adapters) refuse; that is not worth a message.
    if (m_port.isOpen())
        m_port.setRequestToSend(on);
}

void QtSerialLink::setDtr(bool on)
{
    if (m_port.isOpen())
        m_port.setDataTerminalReady(on);
}

void QtSerialLink::onReadyRead()
{
    if (m_port.bytesAvailable() > 0) {
        emit readyRead();
        return;
    }
    // A readable descriptor that yields nothing is a hung-up line (the other side of a pty closed).
    if (hungUp())
        reportLost(
            QStringLiteral("The device %1 is no longer available (the line was hung up).").arg(m_name));
}

void QtSerialLink::onError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::DeviceNotFoundError:
        if (m_port.isOpen()) {
            // A hang-up leaves a stale errno behind; say what happened instead.
            reportLost(hungUp()
                           ? QStringLiteral("The device %1 is no longer available (the line was hung up).")
                                 .arg(m_name)
                           : QStringLiteral("The device %1 is no longer available: %2")
                                 .arg(m_name, m_port.errorString()));
        }
        break;
    default:
        // Open and write failures are returned by open() and write(); line errors are ignored.
        break;
    }
}

bool QtSerialLink::hungUp() const
{
#ifdef Q_OS_UNIX
    if (!m_port.isOpen() || m_port.handle() < 0)
        return false;
    pollfd fd{static_cast<int>(m_port.handle()), POLLIN, 0};
    return ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return false;
#endif
}

void QtSerialLink::reportLost(const QString &description)
{
    if (!m_port.isOpen())
        return;
    m_error = description;
    m_port.close();
    emit lost(description);
}

} // namespace korvo
