#pragma once

// A TCP connection to a device's TCP-to-serial gateway: connect, write, take everything received, and error
// notifications with a number and the OS's description. Faked in tests.

#include <QByteArray>
#include <QObject>
#include <QString>

namespace korvo {

class SocketLink : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~SocketLink() override = default;

    // Starts connecting; false (with errorString()) only when the request itself is refused, e.g. an empty
    // host. Failures of the connection attempt arrive later through errorOccurred.
    virtual bool connectToHost(const QString &host, quint16 port) = 0;
    // Closes the connection; what was written before goes out first.
    virtual void close() = 0;
    virtual bool isConnected() const = 0;
    // True from connectToHost until close or an error.
    virtual bool isOpen() const = 0;

    // Bytes written before the connection is up are sent once it is.
    virtual bool write(const QByteArray &data) = 0;
    virtual QByteArray readAll() = 0;
    // Received bytes not read yet: in the object's buffer, or in the system's that readyRead has not
    // announced yet (the event loop may have been busy); never waits.
    virtual bool hasBytesWaiting() const = 0;

    virtual QString errorString() const = 0;

Q_SIGNALS:
    void connected();
    void readyRead();
    // Every failure, also the peer closing the connection. The socket is closed when this is raised.
    void errorOccurred(int number, const QString &description);
};

} // namespace korvo
