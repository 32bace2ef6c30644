#pragma once

// A TCP-to-serial gateway in front of a simulated controller: one client at a time on a loopback port; the
// gateway's "}02:dd" commands set the serial rate, everything else reaches the controller.

#include "sim/controllersim.h"
#include "sim/gatewayfilter.h"
#include "sim/linefaults.h"
#include "sim/outputpacer.h"
#include "sim/wirequeue.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <functional>

namespace korvo {

class SimGateway : public QObject
{
    Q_OBJECT
public:
    explicit SimGateway(ControllerSim &controller, QObject *parent = nullptr);
    ~SimGateway() override;

    // Listens on address:port (port 0 picks a free one); false with the OS's description in *error.
    bool listen(const QHostAddress &address, quint16 port, QString *error);
    quint16 port() const { return m_server.serverPort(); }
    // Answers discovery datagrams ("TOBRIX6102") on a UDP port with code 6, ":", the gateway's name, ":",
    // its serial number, ":", and the address of the client it serves (empty when free).
    bool listenDiscovery(const QHostAddress &address, quint16 port, QString *error);
    quint16 discoveryPort() const { return m_discovery.localPort(); }
    void setSerialNumber(const QByteArray &serial) { m_serialNumber = serial; }
    // The current connection discovery reports, instead of the connected client's address.
    void setReportedConnection(const QByteArray &connection) { m_reportedConnection = connection; }
    bool hasClient() const { return m_client != nullptr; }

    // The serial rate between gateway and controller (default 9600).
    int serialBaud() const { return m_serialBaud; }
    void setSerialBaud(int baud) { m_serialBaud = baud; }

    void setCharDelay(int ms) { m_pacer.setCharDelay(ms); }
    // The serial side runs at the pace of a line of this rate, both ways.
    void setWireRate(int baud)
    {
        m_inbound.setRate(baud);
        m_pacer.setWireRate(baud);
    }
    // Faults of the serial side; a stalled device listens again on the next connection.
    void setFaults(LineFaults faults) { m_faults = std::move(faults); }
    void setTap(std::function<void(const QByteArray &)> tap) { m_tap = std::move(tap); }
    void inject(const QByteArray &bytes) { m_pacer.send(bytes); }
    // Closes the client's connection, as a gateway that loses its device does.
    void drop();

Q_SIGNALS:
    void bytesReceived(const QByteArray &bytes);
    void clientConnected();
    void dropped();

private:
    void onNewConnection();
    void onReadyRead();
    void arrive(const QByteArray &serial, qint64 arrivalNs);
    void onDiscovery();

    ControllerSim &m_controller;
    GatewayFilter m_filter;
    WireQueue m_inbound; // the serial side's bytes on their way to the controller
    OutputPacer m_pacer;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QUdpSocket m_discovery;
    QByteArray m_serialNumber = "KG503-0001";
    QByteArray m_reportedConnection;
    int m_serialBaud = 9600;
    LineFaults m_faults;
    bool m_stalled = false; // until the next connection
    std::function<void(const QByteArray &)> m_tap;
};

} // namespace korvo
