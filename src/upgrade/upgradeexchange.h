#pragma once

// The upgrade dialogue's primitives as an engine: sends, pauses and reply waits queued as steps and run in
// order, never blocking. A reply wait ends on the awaited character (ACK or NAK for reply state 4, "$" for
// reply state 6) or when its watchdog runs out; every received character moves the watchdog. The protocol
// (UpgradeEngine) queues steps and continues from "then" callbacks.

#include "engine/enginebase.h"

#include <deque>
#include <functional>

namespace korvo {

class UpgradeExchange : public EngineBase
{
public:
    static constexpr char kAck = 6;
    static constexpr char kNak = 21;
    // Reply states: what a wait is for.
    static constexpr int kAwaitAck = 4;
    static constexpr int kAwaitDollar = 6;
    static constexpr int kReplied = 0;
    static constexpr int kRefused = -1;

    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;

    // Characters received since the last command, ACK and NAK left out.
    const QByteArray &replyBuffer() const { return m_buffer; }
    int replyState() const { return m_replyState; }
    bool timedOut() const { return m_timedOut; }

protected:
    using Then = std::function<void(qint64 nowMs)>;

    // Queues: bytes in one write; a line-setting change; a pause; a reply wait with the given watchdog; a
    // call.
    void queueSend(const QByteArray &bytes);
    void queueSettings(const QString &settings);
    void queuePause(int ms);
    void queueReplyWait(int watchdogMs);
    void queueCall(Then then);
    // A command: its text in one write, then on a serial link the line pause.
    void queueCommand(const QByteArray &text);
    // Reply state and an empty reply buffer for the next command.
    void expect(int replyState);
    // Runs queued steps until one has to wait. Call after queueing from outside a callback.
    void run(qint64 nowMs);
    void dropQueue();

    void setLinePause(int ms, bool serial)
    {
        m_linePauseMs = ms;
        m_serial = serial;
    }
    bool serialLink() const { return m_serial; }
    void setReplyState(int state) { m_replyState = state; }
    void clearTimedOut() { m_timedOut = false; }
    void clearBuffer() { m_buffer.clear(); }
    // The text the controller put after a reply tag (":v" -> what starts three characters after it).
    QByteArray valueAfter(const char *tag, qsizetype length = -1) const;

private:
    struct Step
    {
        enum class Kind { Send, Settings, Pause, ReplyWait, Call } kind;
        QByteArray bytes;
        QString settings;
        int ms = 0;
        Then then;
    };
    enum class Waiting { Nothing, Pause, Reply };

    void endReplyWait(qint64 nowMs);
    void logReply();

    std::deque<Step> m_steps;
    Waiting m_waiting = Waiting::Nothing;
    int m_watchdogMs = 5000;
    int m_replyState = kReplied;
    bool m_timedOut = false;
    bool m_running = false;
    QByteArray m_buffer;
    int m_linePauseMs = 0;
    bool m_serial = true;
};

} // namespace korvo
