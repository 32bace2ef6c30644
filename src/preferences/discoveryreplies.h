#pragma once

// The answers of TCP-to-serial gateways to the discovery broadcast: one record per device in arrival
// order, each code 6, ":", a first field, ":", the serial number, ":", the current connection.

#include <QList>
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

} // namespace korvo
