#include "preferences/devicediscovery.h"

#include "app/clock.h"
#include "link/portnames.h"
#include "preferences/discoverysocket.h"

namespace korvo {

DeviceDiscovery::DeviceDiscovery(Clock &clock, QObject *parent)
    : QObject(parent), m_socket(std::make_unique<DiscoverySocket>()),
      m_timer(clock.createTimer([this] { finish(); }))
{
    connect(m_socket.get(), &DiscoverySocket::datagramReceived, this,
            [this](const QString &sender, const QByteArray &data, quint16 port) {
                if (m_timer->isActive())
                    m_replies.add(sender, port, data);
            });
    connect(m_socket.get(), &DiscoverySocket::errorOccurred, this,
            [this](int number, const QString &description) {
                emit failed(QStringLiteral("Connection Error ") + QString::number(number) +
                            QStringLiteral(": ") + description);
            });
}

DeviceDiscovery::~DeviceDiscovery() = default;

bool DeviceDiscovery::isRunning() const
{
    return m_timer->isActive();
}

void DeviceDiscovery::start(const QString &target)
{
    // Several targets (directed broadcasts of several networks) may be given, separated by commas.
    QList<std::pair<QHostAddress, quint16>> targets;
    for (const QString &entry : target.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const TcpEndpoint endpoint = parseTcpAddress(entry);
        const QHostAddress address(endpoint.host);
        if (!endpoint.valid || address.isNull()) {
            emit failed(
                QStringLiteral("Connection Error 0: \"%1\" is not a usable discovery address").arg(entry));
            return;
        }
        targets.append({address, endpoint.port});
    }
    if (targets.isEmpty())
        targets.append({QHostAddress(QHostAddress::Broadcast), kGatewayPort});
    QList<quint16> ports;
    for (const auto &target : targets)
        ports << target.second;
    m_replies = DiscoveryReplies(ports);
    for (const auto &[address, port] : targets)
        if (!m_socket->send("TOBRIX6102", address, port))
            return;
    m_timer->start(kAnswerWindowMs);
}

void DeviceDiscovery::finish()
{
    emit finished(m_replies.devices());
}

} // namespace korvo
