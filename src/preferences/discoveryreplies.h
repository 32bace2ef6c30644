#pragma once

// The answers of TCP-to-serial gateways to the discovery broadcast: one record per device in arrival
// order, each code 6, ":", a first field, ":", the serial number, ":", the current connection.

#include <QList>
#include <QSet>
#include <QString>

namespace korvo {

struct DiscoveredDevice
{
    QString address; // the sender's address
    QString serial;
    QString connection; // address of the computer that holds the device, empty when free

    bool operator==(const DiscoveredDevice &other) const = default;
};

// Splits the reply buffer into records and pairs them with the senders' addresses (in the same order).
// A record without a third colon takes the rest of the buffer as its serial number and ends the parsing.
QList<DiscoveredDevice> parseDiscoveryReplies(const QByteArray &buffer, const QStringList &senders);

// The answers gathered during one discovery, one device per gateway (sender address and port). Only a
// datagram in the form of a reply, from a port that was asked, counts: a gateway that answers again, the
// request's own echo and other traffic on the port add nothing. A datagram's first record is its device.
class DiscoveryReplies
{
public:
    // ports: the ports the request went to; empty takes every port.
    explicit DiscoveryReplies(const QList<quint16> &ports = {}) : m_ports(ports) {}

    // True when the datagram added a device.
    bool add(const QString &sender, quint16 port, const QByteArray &datagram);
    const QList<DiscoveredDevice> &devices() const { return m_devices; }

private:
    QList<quint16> m_ports;
    QSet<std::pair<QString, quint16>> m_seen;
    QList<DiscoveredDevice> m_devices;
};

} // namespace korvo
