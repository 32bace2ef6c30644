#include "discoverysocket.h"

#include "link/qtsocketlink.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>

#include <algorithm>

namespace korvo {

DiscoverySocket::DiscoverySocket(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &DiscoverySocket::onReadyRead);
}

bool DiscoverySocket::send(const QByteArray &datagram, const QHostAddress &to, quint16 port)
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState &&
        !m_socket.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::ShareAddress)) {
        emit errorOccurred(socketErrorNumber(m_socket.error()), m_socket.errorString());
        return false;
    }
    if (m_socket.writeDatagram(datagram, to, port) != datagram.size()) {
        emit errorOccurred(socketErrorNumber(m_socket.error()), m_socket.errorString());
        return false;
    }
    return true;
}

void DiscoverySocket::close()
{
    m_socket.close();
}

void DiscoverySocket::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket.receiveDatagram();
        QHostAddress sender = datagram.senderAddress();
        // Replies over IPv4 may come as IPv4-mapped IPv6 addresses; show them as users know them.
        bool isV4 = false;
        const quint32 v4 = sender.toIPv4Address(&isV4);
        if (isV4)
            sender = QHostAddress(v4);
        emit datagramReceived(sender.toString(), datagram.data(), quint16(datagram.senderPort()));
    }
}

bool DiscoverySocket::isOwnAddress(const QString &text)
{
    const QHostAddress wanted(text.trimmed());
    if (wanted.isNull())
        return false;
    const QList<QHostAddress> own = QNetworkInterface::allAddresses();
    return std::any_of(own.begin(), own.end(), [&wanted](const QHostAddress &address) {
        return address.isEqual(wanted, QHostAddress::TolerantConversion);
    });
}

} // namespace korvo

#include "moc_discoverysocket.cpp"
