#pragma once

// One read of a controller's memory for the RAM viewer, through the terminal's link: asks the echo mode
// ("pr em"), quiets the controller, has it print the block ("R1=", "R2=", "PR Pk"), collects the printed
// text until 20 ms after the last arrival (2000 ms for the first), then puts the echo mode back. Every
// command text is sent character by character with its caret escapes; pauses are states.

#include "engine/enginebase.h"
#include "tools/carettext.h"

#include <deque>

namespace korvo {

class RamReadEngine final : public EngineBase
{
public:
    enum class Outcome { Pending, Dump, NoEchoMode, TimedOut };

    // address: the "RAM Address (hex)" box; count: the "Byte Count to View (decimal)" box.
    RamReadEngine(const QString &address, const QString &count);

    void start(qint64 nowMs) override;
    void bytesReceived(const QByteArray &data, qint64 nowMs) override;
    void timerFired(qint64 nowMs) override;
    void outputWritten(qint64 nowMs) override;

    Outcome outcome() const { return m_outcome; }
    // The text the controller printed for the block (valid with Outcome::Dump).
    const QByteArray &printed() const { return m_printed; }
    // The message the viewer shows instead of a dump, or empty.
    QString message() const;

    // The address box as the controller's 16-bit signed value (FFFF is -1), the count box as the value
    // R2 gets (one less than the count, 0 for 0).
    static int addressValue(const QString &address);
    static int countValue(const QString &count);

private:
    enum class Op { Send, Pause, ClearReply, CheckEchoMode, Collect, Restore, Done };
    struct Step
    {
        Op op;
        QByteArray bytes;
        int ms = 0;
    };

    void queueText(const QByteArray &text);
    void next(qint64 nowMs);
    void restore();

    std::deque<Step> m_steps;
    QByteArray m_readCommand;
    QByteArray m_reply;
    QByteArray m_printed;
    char m_echoMode = '0';
    bool m_waitingForOutput = false;
    bool m_collecting = false;
    Outcome m_outcome = Outcome::Pending;
};

} // namespace korvo
