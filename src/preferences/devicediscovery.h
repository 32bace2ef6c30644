#pragma once

// TCP device discovery for the preferences dialog: one "TOBRIX6102" datagram to the discovery target
// (the broadcast address and port 503 unless the preferences file names another), then 100 ms of answers
// on the clock, one device per gateway that answers, in arrival order.

#include "preferences/discoveryreplies.h"

#include <QObject>
#include <memory>

namespace korvo {

class Clock;
class DiscoverySocket;
class OneShotTimer;

class DeviceDiscovery : public QObject
{
    Q_OBJECT
public:
    static constexpr int kAnswerWindowMs = 100;

    explicit DeviceDiscovery(Clock &clock, QObject *parent = nullptr);
    ~DeviceDiscovery() override;

    // target: "" for 255.255.255.255 port 503, else "host" or "host:port", or several separated by commas.
    void start(const QString &target);
    bool isRunning() const;

Q_SIGNALS:
    void finished(const QList<korvo::DiscoveredDevice> &devices);
    // "Connection Error " + number + ": " + description
    void failed(const QString &message);

private:
    void finish();

    std::unique_ptr<DiscoverySocket> m_socket;
    std::unique_ptr<OneShotTimer> m_timer;
    DiscoveryReplies m_replies;
};

} // namespace korvo
