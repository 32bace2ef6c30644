#include "spi/spiconverterengine.h"

#include "spi/converterframes.h"

#include <algorithm>

namespace korvo {

void SpiConverterEngine::start(qint64 nowMs)
{
    changeSettings(kSettings);
    if (m_request.job == Job::Version) {
        send(converterCommand("VERS"));
    } else {
        QByteArray out;
        if (m_request.holdSelect)
            out += converterCommand("CS0");
        out += converterMessageFrame(m_request.bytes);
        if (m_request.releaseSelect)
            out += converterCommand("CS1");
        send(out);
    }
    setDeadline(nowMs + kReplyMs);
}

void SpiConverterEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    (void)nowMs;
    if (isFinished())
        return;
    m_reply += data;
    if (m_request.job == Job::Version) {
        if (versionReplyComplete(m_reply)) {
            m_accepted = converterVersionAccepted(m_reply);
            finish();
        }
    } else if (m_reply.size() >= m_request.bytes.size()) {
        finish();
    }
}

void SpiConverterEngine::timerFired(qint64 nowMs)
{
    (void)nowMs;
    if (isFinished())
        return;
    if (m_request.job == Job::Version) {
        // Fewer than two characters and no terminator: judged on what came.
        m_accepted = converterVersionAccepted(m_reply);
        finish();
        return;
    }
    fail(QStringLiteral("%1: the SPI converter answered %2 of %3 bytes within %4 ms")
             .arg(kIncomplete)
             .arg(std::min(m_reply.size(), m_request.bytes.size()))
             .arg(m_request.bytes.size())
             .arg(kReplyMs));
}

} // namespace korvo
