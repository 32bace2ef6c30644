#include "preferences/discoveryreplies.h"

#include <QStringList>

namespace korvo {

namespace {
const QByteArray kRecordStart("\x06:", 2);
}

QList<DiscoveredDevice> parseDiscoveryReplies(const QByteArray &buffer, const QStringList &senders)
{
    QList<DiscoveredDevice> devices;
    qsizetype at = buffer.indexOf(kRecordStart);
    while (at >= 0) {
        const qsizetype next = buffer.indexOf(kRecordStart, at + kRecordStart.size());
        const QByteArray record =
            buffer.mid(at + kRecordStart.size(), next < 0 ? -1 : next - at - kRecordStart.size());
        DiscoveredDevice device;
        device.address = senders.value(devices.size());
        const qsizetype first = record.indexOf(':');
        const qsizetype second = first < 0 ? -1 : record.indexOf(':', first + 1);
        if (second < 0) {
            const qsizetype serialStart = at + kRecordStart.size() + (first < 0 ? 0 : first + 1);
            device.serial = QString::fromLatin1(buffer.mid(serialStart));
            devices << device;
            break;
        }
        device.serial = QString::fromLatin1(record.mid(first + 1, second - first - 1));
        device.connection = QString::fromLatin1(record.mid(second + 1));
        devices << device;
        at = next;
    }
    return devices;
}

bool DiscoveryReplies::add(const QString &sender, quint16 port, const QByteArray &datagram)
{
    if ((!m_ports.isEmpty() && !m_ports.contains(port)) || !datagram.startsWith(kRecordStart))
        return false;
    if (m_seen.contains({sender, port}))
        return false;
    m_seen.insert({sender, port});
    m_devices << parseDiscoveryReplies(datagram, {sender}).constFirst();
    return true;
}

} // namespace korvo
