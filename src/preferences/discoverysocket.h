#pragma once

// UDP device discovery: one datagram out (a broadcast to the gateways' port by default) and every answer in,
// with the address of the device that sent it.

#include "link/portnames.h"

#include <QHostAddress>
#include <QObject>
#include <QUdpSocket>

namespace korvo {

class DiscoverySocket : public QObject
{
    Q_OBJECT
public:
    explicit DiscoverySocket(QObject *parent = nullptr);

    // Sends one datagram; false (after errorOccurred) when it cannot be sent.
    bool send(const QByteArray &datagram, const QHostAddress &to = QHostAddress::Broadcast,
              quint16 port = kGatewayPort);
    void close();

    // This computer's own address on the network (first non-loopback IPv4 address), empty when offline.
    static QString localAddress();

Q_SIGNALS:
    void datagramReceived(const QString &sender, const QByteArray &data);
    // Number as for the TCP link (Winsock style) and the OS's description.
    void errorOccurred(int number, const QString &description);

private:
    void onReadyRead();

    QUdpSocket m_socket;
};

} // namespace korvo
