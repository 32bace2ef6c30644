#include "portnames.h"

#include "settings/preferences.h"

#include <QFileInfo>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvo {

QString serialDeviceName(const CommWindowSettings &settings)
{
    return serialDeviceName(settings.port, settings.portName);
}

QString serialDeviceName(int port, const QString &portName)
{
    const QString named = portName.trimmed();
    if (!named.isEmpty())
        return named;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(std::max(0, port - 1));
#endif
}

TcpEndpoint parseTcpAddress(const QString &address)
{
    TcpEndpoint endpoint;
    const QString text = address.trimmed();
    if (text.isEmpty())
        return endpoint;
    QString host = text;
    QString portText;
    if (text.startsWith(u'[')) {
        // "[v6]:port" or "[v6]"
        const qsizetype close = text.indexOf(u']');
        if (close < 0)
            return endpoint;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (rest.startsWith(u':'))
            portText = rest.mid(1);
        else if (!rest.isEmpty())
            return endpoint;
    } else if (text.count(u':') == 1) {
        const qsizetype colon = text.indexOf(u':');
        host = text.left(colon);
        portText = text.mid(colon + 1);
    }
    // More than one colon without brackets is a bare IPv6 address on the default port.
    if (!portText.isNull()) {
        bool ok = false;
        const uint port = portText.toUInt(&ok);
        if (!ok || port == 0 || port > 65535)
            return endpoint;
        endpoint.port = static_cast<quint16>(port);
    }
    endpoint.host = host;
    endpoint.valid = !host.isEmpty();
    return endpoint;
}

int baudOfSettings(const QString &settings)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*(\\d+)"));
    const auto match = leading.match(settings);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

QByteArray gatewayRateCommand(int baud)
{
    switch (baud) {
    case 4800:
    case 9600:
    case 19200:
    case 38400:
        return "}02:" + QByteArray::number(baud / 100).left(2);
    case 115200:
        return "}02:11";
    default:
        return {};
    }
}

QString permissionHint(const QString &deviceName)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(deviceName);
    struct stat info
    {
    };
    if (::stat(path.constData(), &info) != 0)
        return {};
    if (::access(path.constData(), R_OK | W_OK) == 0)
        return {};
    QString group;
    if (const struct group *owner = ::getgrgid(info.st_gid))
        group = QString::fromLocal8Bit(owner->gr_name);
    if (group.isEmpty())
        return QStringLiteral("You are not permitted to use %1.").arg(deviceName);
    return QStringLiteral(
               "You are not permitted to use %1; you may need to join the group \"%2\" that owns it "
               "(sudo usermod -a -G %2 $USER, then log in again).")
        .arg(deviceName, group);
#else
    Q_UNUSED(deviceName);
    return {};
#endif
}

} // namespace korvo
