#pragma once

// The request layer under the CAN configuration exchange: one request at a time, its reply collected the
// way its command asks, its wait bounded by the reply timer (restarted by every arrival for the collectors
// that end by silence), the module's 100 ms pause after each command, and the line's rate changes. Each
// request ends by calling its continuation with the outcome, so the exchange above reads as the steps it
// takes. Nothing here blocks: a wait is a deadline.

#include "can/canrequest.h"
#include "can/replycollector.h"
#include "engine/enginebase.h"
#include "link/linktiming.h"

#include <functional>

namespace korvo {

class CanRequestEngine : public EngineBase
{
public:
    using Done = std::function<void(bool ok)>;

    // -d: a request that times out still counts as answered.
    CanRequestEngine(const LinkTiming &timing, bool noReplyCheck);

    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;

    // The line's rate now (changes with setRate).
    int rate() const { return m_timing.baud; }

protected:
    // bSend_CAN_Comm: writes the text and waits for the reply or the reply timer.
    void request(const QByteArray &text, ReplyCollector::Mode mode, int extraChars, Done done);
    // bSend_CAN_Cmd: the command in the framing of target; module commands always succeed, after a 100 ms
    // pause that follows their reply wait.
    void command(CanTarget target, CanCommand command, int value, int frame, Done done);
    // The adapter's enquiry: ENQ, answered by "*".
    void enquire(int extraChars, Done done);
    // Serial: the line's settings "rate,N,8,1"; TCP: the gateway's rate command.
    void setRate(int baud);
    // Drops the outstanding request without calling it back.
    void abandonRequest();

    const ReplyCollector &reply() const { return m_collector; }
    // The last request's text and the text collected after it, as one (the module's reports are read
    // from its end).
    QByteArray requestAndReply() const { return m_requestText + m_collector.text(); }
    // The last request as the line carried it, without its line end, for naming one that went unanswered.
    QString lastRequest() const { return QString::fromLatin1(m_requestText.trimmed()); }
    bool noReplyCheck() const { return m_noReplyCheck; }
    qint64 now() const { return m_now; }
    void setNow(qint64 nowMs) { m_now = nowMs; }

private:
    enum class Wait { None, Reply, ModulePause };
    void endWait(bool ok);

    LinkTiming m_timing;
    bool m_noReplyCheck = false;
    ReplyCollector m_collector{ReplyCollector::WaitAck};
    QByteArray m_requestText;
    Wait m_wait = Wait::None;
    int m_waitMs = 0;
    bool m_pauseAfter = false;
    Done m_done;
    qint64 m_now = 0;
};

} // namespace korvo
