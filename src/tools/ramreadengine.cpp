#include "tools/ramreadengine.h"

#include "app/texthelpers.h"

namespace korvo {

namespace {

constexpr int kFirstReplyMs = 2000;
constexpr int kSilenceMs = 20;
constexpr int kEchoModeWaitMs = 100;

// Val of "&H" + text: the leading hex digits; anything after them is ignored.
qint64 leadingHexValue(const QString &text)
{
    qint64 value = 0;
    for (const QChar c : text.trimmed()) {
        const char16_t lower = c.toLower().unicode();
        const int digit = lower >= u'0' && lower <= u'9'   ? lower - u'0'
                          : lower >= u'a' && lower <= u'f' ? lower - u'a' + 10
                                                           : -1;
        if (digit < 0)
            break;
        value = (value * 16 + digit) & 0xFFFFFFFF;
    }
    return value;
}

} // namespace

RamReadEngine::RamReadEngine(const QString &address, const QString &count)
{
    m_readCommand = "Em=2^M^mR1=" + QByteArray::number(addressValue(address)) +
                    "^M^mR2=" + QByteArray::number(countValue(count)) + "^M^mPR Pk^M";
}

int RamReadEngine::addressValue(const QString &address)
{
    return int(int16_t(uint16_t(leadingHexValue(address) & 0xFFFF)));
}

int RamReadEngine::countValue(const QString &count)
{
    const int value = int(int16_t(uint16_t(qint64(leadingNumber(count).value_or(0)) & 0xFFFF)));
    return value > 0 ? value - 1 : value;
}

QString RamReadEngine::message() const
{
    switch (m_outcome) {
    case Outcome::NoEchoMode:
        return QStringLiteral("Failed to communicate with device!");
    case Outcome::TimedOut:
        return QStringLiteral("Timed Out!");
    default:
        return {};
    }
}

void RamReadEngine::queueText(const QByteArray &text)
{
    for (const CaretStep &step : parseCaretText(text))
        m_steps.push_back(step.bytes.isEmpty() ? Step{Op::Pause, {}, step.pauseMs}
                                               : Step{Op::Send, step.bytes, 0});
}

void RamReadEngine::start(qint64 nowMs)
{
    m_steps.push_back({Op::ClearReply, {}, 0});
    queueText("pr em^M");
    m_steps.push_back({Op::Pause, {}, kEchoModeWaitMs});
    m_steps.push_back({Op::CheckEchoMode, {}, 0});
    m_steps.push_back({Op::ClearReply, {}, 0});
    queueText("Em=2^M^mFt=51200^M^mFt=12^M^m");
    m_steps.push_back({Op::ClearReply, {}, 0});
    queueText(m_readCommand);
    m_steps.push_back({Op::Collect, {}, 0});
    m_steps.push_back({Op::Restore, {}, 0});
    next(nowMs);
}

void RamReadEngine::restore()
{
    queueText("Em=2^M^mFt=0^M^m");
    m_steps.push_back({Op::ClearReply, {}, 0});
    queueText(QByteArray("Em=") + m_echoMode + "^M^m");
    m_steps.push_back({Op::Done, {}, 0});
}

void RamReadEngine::next(qint64 nowMs)
{
    while (!m_steps.empty() && !isFinished()) {
        const Step step = m_steps.front();
        m_steps.pop_front();
        switch (step.op) {
        case Op::Send:
            sendPacedChars(step.bytes);
            m_waitingForOutput = true;
            return;
        case Op::Pause:
            setDeadline(nowMs + step.ms);
            return;
        case Op::ClearReply:
            m_reply.clear();
            break;
        case Op::CheckEchoMode: {
            const qsizetype crlf = m_reply.lastIndexOf("\r\n");
            if (crlf < 1) {
                // Nothing to put back: the controller never told its echo mode.
                m_outcome = Outcome::NoEchoMode;
                m_steps.clear();
                finish();
                return;
            }
            m_echoMode = m_reply.at(crlf - 1);
            break;
        }
        case Op::Collect:
            m_collecting = true;
            setDeadline(nowMs + kFirstReplyMs);
            return;
        case Op::Restore:
            restore();
            break;
        case Op::Done:
            finish();
            return;
        }
    }
}

void RamReadEngine::bytesReceived(const QByteArray &data, qint64 nowMs)
{
    if (isFinished() || data.isEmpty())
        return;
    m_reply += data;
    if (m_collecting)
        setDeadline(nowMs + kSilenceMs);
}

void RamReadEngine::outputWritten(qint64 nowMs)
{
    if (!m_waitingForOutput || isFinished())
        return;
    m_waitingForOutput = false;
    next(nowMs);
}

void RamReadEngine::timerFired(qint64 nowMs)
{
    if (isFinished())
        return;
    clearDeadline();
    if (m_collecting) {
        m_collecting = false;
        m_printed = m_reply;
        m_outcome = m_reply.isEmpty() ? Outcome::TimedOut : Outcome::Dump;
    }
    next(nowMs);
}

} // namespace korvo
