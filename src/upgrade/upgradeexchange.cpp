#include "upgrade/upgradeexchange.h"

#include <iterator>
#include <utility>

namespace korvo {

void UpgradeExchange::queueSend(const QByteArray &bytes)
{
    m_steps.push_back({Step::Kind::Send, bytes, {}, 0, {}});
}

void UpgradeExchange::queueSettings(const QString &settings)
{
    m_steps.push_back({Step::Kind::Settings, {}, settings, 0, {}});
}

void UpgradeExchange::queuePause(int ms)
{
    if (ms > 0)
        m_steps.push_back({Step::Kind::Pause, {}, {}, ms, {}});
}

void UpgradeExchange::queueReplyWait(int watchdogMs)
{
    m_steps.push_back({Step::Kind::ReplyWait, {}, {}, watchdogMs, {}});
}

void UpgradeExchange::queueCall(Then then)
{
    m_steps.push_back({Step::Kind::Call, {}, {}, 0, std::move(then)});
}

void UpgradeExchange::queueCommand(const QByteArray &text)
{
    queueSend(text);
    // Over TCP every character is its own send and no pause follows.
    if (m_serial && text.endsWith('\r'))
        queuePause(m_linePauseMs);
}

void UpgradeExchange::expect(int replyState)
{
    m_replyState = replyState;
    m_buffer.clear();
}

void UpgradeExchange::dropQueue()
{
    m_steps.clear();
    m_waiting = Waiting::Nothing;
    clearDeadline();
}

QByteArray UpgradeExchange::valueAfter(const char *tag, qsizetype length) const
{
    const qsizetype at = m_buffer.indexOf(tag);
    if (at < 0)
        return {};
    return m_buffer.mid(at + 3, length);
}

void UpgradeExchange::run(qint64 nowMs)
{
    // Callbacks queue further steps; the outermost run() carries on with them.
    if (m_running)
        return;
    m_running = true;
    while (!m_steps.empty() && m_waiting == Waiting::Nothing && !isFinished()) {
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        switch (step.kind) {
        case Step::Kind::Send:
            send(step.bytes);
            break;
        case Step::Kind::Settings:
            changeSettings(step.settings);
            break;
        case Step::Kind::Pause:
            m_waiting = Waiting::Pause;
            setDeadline(nowMs + step.ms);
            break;
        case Step::Kind::ReplyWait:
            // What arrived during the pause before it may already have answered.
            if (m_replyState >= 1 && !m_timedOut) {
                m_waiting = Waiting::Reply;
                m_watchdogMs = step.ms;
                setDeadline(nowMs + step.ms);
            } else {
                logReply();
            }
            break;
        case Step::Kind::Call: {
            // What the callback queues runs before the steps that were already waiting (a subroutine).
            std::deque<Step> later = std::exchange(m_steps, {});
            step.then(nowMs);
            std::move(later.begin(), later.end(), std::back_inserter(m_steps));
            break;
        }
        }
    }
    m_running = false;
}

void UpgradeExchange::logReply()
{
    // The reply log: what came, the reply state, whether the watchdog ran out.
    emitLine(QString::fromLatin1(m_buffer) +
             QStringLiteral("\t%1\t%2").arg(m_replyState).arg(m_timedOut ? -1 : 0));
}

void UpgradeExchange::endReplyWait(qint64 nowMs)
{
    m_waiting = Waiting::Nothing;
    clearDeadline();
    logReply();
    run(nowMs);
}

void UpgradeExchange::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished())
        return;
    for (const char c : data) {
        if (m_replyState == kAwaitAck && (c == kAck || c == kNak)) {
            m_replyState = c == kAck ? kReplied : kRefused;
            continue;
        }
        if (m_replyState == kAwaitDollar && c == '$') {
            m_replyState = kReplied;
            continue;
        }
        m_buffer.append(c);
    }
    if (m_waiting != Waiting::Reply)
        return;
    if (m_replyState < 1)
        endReplyWait(nowMs);
    else
        setDeadline(nowMs + m_watchdogMs); // every character moves the watchdog
}

void UpgradeExchange::timerFired(qint64 nowMs)
{
    if (isFinished())
        return;
    if (m_waiting == Waiting::Reply) {
        m_timedOut = true;
        endReplyWait(nowMs);
    } else if (m_waiting == Waiting::Pause) {
        m_waiting = Waiting::Nothing;
        clearDeadline();
        run(nowMs);
    }
}

} // namespace korvo
