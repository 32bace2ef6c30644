#include "qtsocketlink.h"

#include "link/waitingbytes.h"

#include <utility>

namespace korvo {

int socketErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::RemoteHostClosedError:
        return 10054;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::NetworkError:
        return 10050;
    case QAbstractSocket::AddressInUseError:
        return 10048;
    case QAbstractSocket::SocketAddressNotAvailableError:
        return 10049;
    case QAbstractSocket::UnsupportedSocketOperationError:
        return 10045;
    default:
        return 10000 + static_cast<int>(error);
    }
}

QtSocketLink::QtSocketLink(QObject *parent) : SocketLink(parent)
{
    renewSocket();
}

QtSocketLink::~QtSocketLink()
{
    m_socket->disconnect(this);
    m_socket->abort();
}

void QtSocketLink::renewSocket()
{
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
    }
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &SocketLink::connected);
    connect(m_socket, &QTcpSocket::readyRead, this, &SocketLink::readyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &QtSocketLink::onError);
}

bool QtSocketLink::connectToHost(const QString &host, quint16 port)
{
    renewSocket();
    m_pending.clear();
    m_error.clear();
    if (host.trimmed().isEmpty()) {
        m_error = QStringLiteral("No TCP address is set.");
        return false;
    }
    m_open = true;
    m_socket->connectToHost(host.trimmed(), port);
    return true;
}

void QtSocketLink::close()
{
    m_open = false;
    // What was written still goes out (a gateway's rate command written just before a tool gives the line
    // back); abort() alone would throw it away.
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->flush();
    m_socket->abort();
}

bool QtSocketLink::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool QtSocketLink::write(const QByteArray &data)
{
    if (!m_open || m_socket->state() == QAbstractSocket::UnconnectedState) {
        m_error = QStringLiteral("The socket is not connected.");
        return false;
    }
    if (m_socket->write(data) != data.size()) {
        m_error = m_socket->errorString();
        return false;
    }
    return true;
}

QByteArray QtSocketLink::readAll()
{
    QByteArray data = std::exchange(m_pending, QByteArray());
    data += m_socket->readAll();
    return data;
}

bool QtSocketLink::hasBytesWaiting() const
{
    return isConnected() &&
           (m_socket->bytesAvailable() > 0 || waitingByteCount(m_socket->socketDescriptor()) > 0);
}

void QtSocketLink::onError(QAbstractSocket::SocketError error)
{
    if (!m_open)
        return;
    m_error = m_socket->errorString();
    m_open = false;
    // Keep what already arrived: the gateway may have sent its last words before closing.
    const QByteArray last = m_socket->bytesAvailable() > 0 ? m_socket->readAll() : QByteArray();
    m_socket->abort();
    m_pending = last;
    if (!m_pending.isEmpty())
        emit readyRead();
    emit errorOccurred(socketErrorNumber(error), m_error);
}

} // namespace korvo
