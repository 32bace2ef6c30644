#include "portenumerator.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace korvo {

const SerialPortEntry *findPort(const QList<SerialPortEntry> &ports, const QString &path)
{
    // A stable link to the device (/dev/serial/by-id/...) names the port it points to.
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const SerialPortEntry &port : ports)
        if (port.path == path || port.path == target)
            return &port;
    return nullptr;
}

const SerialPortEntry *findAdapter(const QList<SerialPortEntry> &ports, const AdapterIdentity &adapter,
                                   const QString &path)
{
    if (!adapter.isSet())
        return nullptr;
    QList<const SerialPortEntry *> same;
    for (const SerialPortEntry &port : ports)
        if (port.adapter.sameAdapter(adapter))
            same.append(&port);
    if (same.size() == 1 || (!same.isEmpty() && !adapter.serialNumber.isEmpty()))
        return same.first();
    const SerialPortEntry *atPath = findPort(ports, path);
    return same.contains(atPath) ? atPath : nullptr;
}

QString adapterText(const AdapterIdentity &adapter)
{
    QString text = adapter.description.isEmpty() ? QStringLiteral("USB adapter %1:%2")
                                                       .arg(adapter.vendorId, 4, 16, QLatin1Char('0'))
                                                       .arg(adapter.productId, 4, 16, QLatin1Char('0'))
                                                 : adapter.description;
    if (!adapter.serialNumber.isEmpty())
        text += QStringLiteral(" (%1)").arg(adapter.serialNumber);
    return text;
}

QList<SerialPortEntry> systemSerialPorts()
{
    QList<SerialPortEntry> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        SerialPortEntry entry;
        entry.path = info.systemLocation();
        entry.description = info.description().isEmpty() ? info.manufacturer() : info.description();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            entry.adapter.vendorId = info.vendorIdentifier();
            entry.adapter.productId = info.productIdentifier();
            entry.adapter.serialNumber = info.serialNumber();
            entry.adapter.description = entry.description;
        }
        ports.append(entry);
    }
    return ports;
}

} // namespace korvo
