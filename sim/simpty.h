#pragma once

// Carries a simulated controller's bytes over a kernel pty: the program opens the slave path like any serial
// port. The line rate is the one the program set on the pty; closing the master makes the device vanish.

#include "sim/controllersim.h"
#include "sim/linefaults.h"
#include "sim/outputpacer.h"
#include "sim/wirequeue.h"

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace korvo {

class SimPty : public QObject
{
    Q_OBJECT
public:
    explicit SimPty(ControllerSim &controller, QObject *parent = nullptr);
    // Paces the line on clock (tests drive it with a fake one).
    SimPty(ControllerSim &controller, Clock &clock, QObject *parent = nullptr);
    ~SimPty() override;

    // Creates the pty; false with the OS's description in *error.
    bool open(QString *error);
    QString path() const { return m_path; }
    bool isOpen() const { return m_master >= 0; }

    // Answers one character every ms milliseconds.
    void setCharDelay(int ms) { m_pacer.setCharDelay(ms); }
    // A serial line of this rate both ways: the controller takes in and answers at its pace.
    void setWireRate(int baud)
    {
        m_inbound.setRate(baud);
        m_pacer.setWireRate(baud);
    }
    // A noisy line and a device that stalls, power-cycles or hangs up. A stalled device listens again
    // once the program has closed the port and opens it again.
    void setFaults(LineFaults faults) { m_faults = std::move(faults); }
    // Every received byte is also handed here (the --log file).
    void setTap(std::function<void(const QByteArray &)> tap) { m_tap = std::move(tap); }
    // Sends bytes to the program as if the controller had sent them on its own.
    void inject(const QByteArray &bytes) { m_pacer.send(bytes); }
    // Bytes read from the program so far (some may still be on their way to the controller).
    qint64 receivedCount() const { return m_receivedCount; }
    // Bytes written that the pty has not taken yet (it is full while the program does not read).
    qsizetype backlog() const { return m_unwritten.size(); }
    // Closes the pty: the device is gone for the program.
    void drop();
    // Rate the program has set on the line, 0 when unknown.
    int lineBaud() const;

Q_SIGNALS:
    void bytesReceived(const QByteArray &bytes);
    // Bytes handed to the line for the program, in order.
    void bytesSent(const QByteArray &bytes);
    void dropped();

private:
    void onReadable();
    void arrive(const QByteArray &bytes, qint64 arrivalNs);
    void onWritable();
    void write(const QByteArray &bytes);
    bool openSlave(QString *error);
    void stall();

    ControllerSim &m_controller;
    WireQueue m_inbound; // what the program writes, on its way to the controller
    OutputPacer m_pacer;
    int m_master = -1;
    int m_slave = -1; // kept open so the pty survives the program closing and reopening its side
    QString m_path;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QByteArray m_unwritten;
    qint64 m_receivedCount = 0;
    LineFaults m_faults;
    std::function<void(const QByteArray &)> m_tap;
};

// Rate of a termios speed constant, 0 when unknown.
int baudOfSpeed(unsigned speed);

} // namespace korvo
