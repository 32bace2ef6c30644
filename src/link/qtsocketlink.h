#pragma once

// The socket link on QTcpSocket. Errors carry a Winsock-style number (familiar from the gateway's own
// documentation) and Qt's description of the OS error.

#include "link/socketlink.h"

#include <QTcpSocket>

namespace korvo {

// Number reported for a socket error, e.g. 10061 for a refused connection.
int socketErrorNumber(QAbstractSocket::SocketError error);

class QtSocketLink final : public SocketLink
{
    Q_OBJECT
public:
    explicit QtSocketLink(QObject *parent = nullptr);
    ~QtSocketLink() override;

    bool connectToHost(const QString &host, quint16 port) override;
    void close() override;
    bool isConnected() const override;
    bool isOpen() const override { return m_open; }
    bool write(const QByteArray &data) override;
    QByteArray readAll() override;
    bool hasBytesWaiting() const override;
    QString errorString() const override { return m_error; }

private:
    // A new socket for each connection: one that failed may still be inside its own error handling when
    // the owner connects again from its notification.
    void renewSocket();
    void onError(QAbstractSocket::SocketError error);

    QTcpSocket *m_socket = nullptr; // a child
    QString m_error;
    QByteArray m_pending; // received just before an error closed the socket
    bool m_open = false;
};

} // namespace korvo
