#include "can/canrequestengine.h"

#include <utility>

namespace korvo {

namespace {
constexpr int kLineTable = 36;
constexpr int kWaitExtraMs = 100;
constexpr int kModulePauseMs = 100;
} // namespace

CanRequestEngine::CanRequestEngine(const LinkTiming &timing, bool noReplyCheck)
    : m_timing(timing), m_noReplyCheck(noReplyCheck)
{
}

void CanRequestEngine::request(const QByteArray &text, ReplyCollector::Mode mode, int extraChars, Done done)
{
    m_collector = ReplyCollector(mode, kLineTable);
    m_requestText = text;
    m_done = std::move(done);
    m_pauseAfter = false;
    m_wait = Wait::Reply;
    m_waitMs = replyTimeMs(m_timing, int(text.size()) + extraChars, kWaitExtraMs);
    send(text);
    setDeadline(m_now + m_waitMs);
}

void CanRequestEngine::command(CanTarget target, CanCommand command, int value, int frame, Done done)
{
    request(canRequest(target, command, value, frame), canReplyOf(command), 0, std::move(done));
    m_pauseAfter = target == CanTarget::Module;
}

void CanRequestEngine::enquire(int extraChars, Done done)
{
    request(QByteArray(1, kEnquiry), ReplyCollector::WaitPrompt, extraChars, std::move(done));
}

void CanRequestEngine::setRate(int baud)
{
    m_timing.baud = baud;
    if (m_timing.tcp)
        send("}02:" + QByteArray::number(codeFromBaud(baud)).rightJustified(2, '0'));
    else
        changeSettings(QStringLiteral("%1,N,8,1").arg(baud));
}

void CanRequestEngine::abandonRequest()
{
    m_wait = Wait::None;
    m_done = nullptr;
    clearDeadline();
}

void CanRequestEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    m_now = nowMs;
    if (isFinished() || m_wait == Wait::None)
        return;
    // The collector keeps taking what arrives during the module's pause; only the reply wait ends on it.
    const bool complete = m_collector.take(data) == ReplyCollector::Outcome::Ended;
    if (m_wait != Wait::Reply)
        return;
    if (complete)
        endWait(true);
    else if (m_collector.measuresSilence())
        setDeadline(m_now + m_waitMs);
}

void CanRequestEngine::timerFired(qint64 nowMs)
{
    m_now = nowMs;
    if (isFinished())
        return;
    if (m_wait == Wait::Reply)
        endWait(m_noReplyCheck);
    else if (m_wait == Wait::ModulePause)
        endWait(true);
}

void CanRequestEngine::endWait(bool ok)
{
    if (m_wait == Wait::Reply && m_pauseAfter) {
        m_wait = Wait::ModulePause;
        setDeadline(m_now + kModulePauseMs);
        return;
    }
    m_wait = Wait::None;
    clearDeadline();
    // The continuation may start the next request, so the wait is cleared before it runs.
    if (Done done = std::exchange(m_done, nullptr))
        done(ok || m_pauseAfter);
}

} // namespace korvo
