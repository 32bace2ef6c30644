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

    // Whether text names one of this computer's own addresses (any interface, IPv4 or IPv6).
    static bool isOwnAddress(const QString &text);

Q_SIGNALS:
    void datagramReceived(const QString &sender, const QByteArray &data, quint16 senderPort);
    // Number as for the TCP link (Winsock style) and the OS's description.
    void errorOccurred(int number, const QString &description);

private:
    void onReadyRead();

    QUdpSocket m_socket;
};

} // namespace korvo
