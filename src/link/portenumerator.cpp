#include "portenumerator.h"

#include <QSerialPortInfo>

namespace korvo {

const SerialPortEntry *findPort(const QList<SerialPortEntry> &ports, const QString &path)
{
    for (const SerialPortEntry &port : ports)
        if (port.path == path)
            return &port;
    return nullptr;
}

const SerialPortEntry *findAdapter(const QList<SerialPortEntry> &ports, const AdapterIdentity &adapter)
{
    if (!adapter.isSet())
        return nullptr;
    for (const SerialPortEntry &port : ports)
        if (port.adapter.sameAdapter(adapter))
            return &port;
    return nullptr;
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
