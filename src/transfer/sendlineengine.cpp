#include "transfer/sendlineengine.h"

namespace korvo {

void SendLineEngine::start(qint64 nowMs)
{
    sendPaced(m_line, m_line.isEmpty() ? '\r' : m_line.back());
    setDeadline(nowMs + m_quietMs);
}

void SendLineEngine::outputWritten(qint64 nowMs)
{
    if (!isFinished())
        setDeadline(nowMs + m_quietMs);
}

void SendLineEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished())
        return;
    m_received += data;
    setDeadline(nowMs + m_quietMs);
}

void SendLineEngine::timerFired(qint64 nowMs)
{
    (void)nowMs;
    finish();
}

} // namespace korvo
