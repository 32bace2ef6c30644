#include "comm/requestengine.h"

namespace korvo {

namespace {
constexpr int kWaitExtraMs = 100;
}

RequestEngine::RequestEngine(Options options)
    : m_options(std::move(options)), m_collector(m_options.mode, m_options.lineCount, m_options.addressChar)
{
}

void RequestEngine::start(qint64 nowMs)
{
    send(m_options.message);
    m_waitMs =
        replyTimeMs(m_options.timing, int(m_options.message.size()) + m_options.extraLen, kWaitExtraMs);
    setDeadline(nowMs + m_waitMs);
}

void RequestEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished())
        return;
    const ReplyCollector::Outcome outcome = m_collector.take(data);
    if (outcome == ReplyCollector::Outcome::Collecting) {
        if (m_collector.measuresSilence())
            setDeadline(nowMs + m_waitMs);
        return;
    }
    m_wrongReply = outcome == ReplyCollector::Outcome::WrongReply;
    end(false);
}

void RequestEngine::timerFired(qint64 nowMs)
{
    (void)nowMs;
    if (!isFinished())
        end(true);
}

void RequestEngine::end(bool timedOut)
{
    m_timedOut = timedOut;
    m_answered = !timedOut || m_options.noReplyCheck;
    finish();
}

} // namespace korvo
