#pragma once

// A serial port as the program needs it: open with a settings string, write bytes, take everything received,
// RTS/DTR, and a notification when data arrive or the device goes away. Faked in tests.

#include <QByteArray>
#include <QObject>
#include <QString>

namespace korvo {

class SerialLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SerialLink() override = default;

    // Opens portName ("/dev/ttyUSB0", "COM3") with a settings string such as "9600,N,8,1".
    // On failure returns false and errorString() holds the OS's description.
    virtual bool open(const QString &portName, const QString &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual QString portName() const = 0;
    // Changes the line settings of an open port (and remembers them for the next open).
    virtual bool setSettings(const QString &settings) = 0;

    // Queues bytes for output, in order, untranslated; false (with errorString()) when they cannot be sent.
    virtual bool write(const QByteArray &data) = 0;
    // Everything received so far, in one piece; the receive buffer is empty afterwards.
    virtual QByteArray readAll() = 0;
    // Received bytes not read yet: in the object's buffer, or in the system's that readyRead has not
    // announced yet (the event loop may have been busy); never waits.
    virtual bool hasBytesWaiting() const = 0;
    virtual qint64 bytesAvailable() const = 0;

    virtual void setRts(bool on) = 0;
    virtual void setDtr(bool on) = 0;

    virtual QString errorString() const = 0;

Q_SIGNALS:
    // Data are waiting; readAll() takes them. Raised on the GUI thread, coalesced.
    void readyRead();
    // The device went away (unplugged, other side of a pty closed). The port is already closed; raised once.
    void lost(const QString &description);
};

} // namespace korvo
