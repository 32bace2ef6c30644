#include "simgateway.h"

#include <utility>

namespace korvo {

SimGateway::SimGateway(ControllerSim &controller, QObject *parent)
    : QObject(parent), m_controller(controller),
      m_inbound(lineClock(),
                [this](const QByteArray &serial, qint64 arrivalNs) { arrive(serial, arrivalNs); }),
      m_pacer([this](const QByteArray &bytes) {
          if (m_client && !m_stalled)
              m_client->write(m_faults.toProgram(bytes));
      })
{
    connect(&m_server, &QTcpServer::newConnection, this, &SimGateway::onNewConnection);
}

SimGateway::~SimGateway()
{
    if (m_client)
        m_client->abort();
}

bool SimGateway::listen(const QHostAddress &address, quint16 port, QString *error)
{
    if (m_server.listen(address, port))
        return true;
    *error = m_server.errorString();
    return false;
}

bool SimGateway::listenDiscovery(const QHostAddress &address, quint16 port, QString *error)
{
    if (!m_discovery.bind(address, port)) {
        *error = m_discovery.errorString();
        return false;
    }
    connect(&m_discovery, &QUdpSocket::readyRead, this, &SimGateway::onDiscovery);
    return true;
}

void SimGateway::onDiscovery()
{
    while (m_discovery.hasPendingDatagrams()) {
        QByteArray datagram(int(m_discovery.pendingDatagramSize()), '\0');
        QHostAddress sender;
        quint16 senderPort = 0;
        m_discovery.readDatagram(datagram.data(), datagram.size(), &sender, &senderPort);
        if (datagram != "TOBRIX6102")
            continue;
        QByteArray holder = m_reportedConnection;
        if (holder.isEmpty() && m_client) {
            bool isV4 = false;
            const quint32 v4 = m_client->peerAddress().toIPv4Address(&isV4);
            holder = (isV4 ? QHostAddress(v4) : m_client->peerAddress()).toString().toLatin1();
        }
        m_discovery.writeDatagram("\x06:KORVO-GW:" + m_serialNumber + ":" + holder, sender, senderPort);
    }
}

void SimGateway::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        // The serial side has one user: the newest connection takes it. The older one may be a program
        // that closed its socket a moment ago, its reset not read yet; turning the newcomer away would
        // lock that program out when it connects again at once.
        // What the older connection still holds (a closing program's last command) is served first.
        if (m_client)
            m_client->waitForReadyRead(0);
        if (QTcpSocket *older = std::exchange(m_client, nullptr)) {
            older->abort();
            older->deleteLater();
            m_inbound.clear();
            m_pacer.clear();
        }
        m_client = socket;
        m_faults.reopen();
        m_stalled = false;
        connect(socket, &QTcpSocket::readyRead, this, &SimGateway::onReadyRead);
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (m_client == socket) {
                m_client = nullptr;
                m_inbound.clear();
                m_pacer.clear();
            }
            socket->deleteLater();
        });
        emit clientConnected();
    }
}

void SimGateway::onReadyRead()
{
    if (!m_client)
        return;
    const QByteArray bytes = m_client->readAll();
    if (m_tap)
        m_tap(bytes);
    emit bytesReceived(bytes);
    const QByteArray serial = m_filter.feed(bytes);
    if (const int baud = m_filter.takeRateChange())
        m_serialBaud = baud;
    m_inbound.push(serial);
}

void SimGateway::arrive(const QByteArray &serial, qint64 arrivalNs)
{
    m_controller.setLineBaud(m_serialBaud);
    const auto answer = [&](const QByteArray &output) { m_pacer.send(output, arrivalNs); };
    const LineFaults::Event event = m_faults.deliver(serial, m_controller, {}, answer);
    if (event == LineFaults::Event::Stall) {
        m_stalled = true;
        m_inbound.clear();
        m_pacer.clear();
    } else if (event == LineFaults::Event::Hangup) {
        drop();
    }
}

void SimGateway::drop()
{
    m_inbound.clear();
    m_pacer.clear();
    if (!m_client)
        return;
    QTcpSocket *socket = m_client;
    m_client = nullptr;
    socket->disconnectFromHost();
    socket->deleteLater();
    emit dropped();
}

} // namespace korvo
