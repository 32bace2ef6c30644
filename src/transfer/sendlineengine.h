#pragma once

// Sends one line and collects what comes back until the device has been quiet for a given time (the
// time counts from the end of the send, then from the last byte received).

#include "engine/enginebase.h"

namespace korvo {

class SendLineEngine : public EngineBase
{
public:
    SendLineEngine(QByteArray line, int quietMs) : m_line(std::move(line)), m_quietMs(quietMs) {}

    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    void outputWritten(qint64 nowMs) override;

    const QByteArray &received() const { return m_received; }

private:
    QByteArray m_line;
    int m_quietMs;
    QByteArray m_received;
};

} // namespace korvo
