#pragma once

// How a device's reply to one request is collected, by receive mode: wait for an ACK character (6) or a
// "*" prompt (8), take whole lines into a table (7), take one line that must start with the request's
// address character (9), or keep all text (10 for the CAN window, 11 for the RAM viewer). 4 and 5 ignore
// what arrives and let the wait run out. A plain value: the CAN exchange drives it.

#include <QByteArray>
#include <vector>

namespace korvo {

class ReplyCollector
{
public:
    enum Mode { WaitAck = 6, Lines = 7, WaitPrompt = 8, AddressedLine = 9, Text = 10, RamText = 11 };
    enum class Outcome { Collecting, Ended, WrongReply };

    // lineCount sizes the mode-7 table; addressChar is what a mode-9 reply must start with.
    explicit ReplyCollector(int mode, int lineCount = 0, char addressChar = '\0');

    // One notification's text; the outcome says whether the reply is complete.
    Outcome take(const QByteArray &text);
    // Arriving text restarts the silence timer in these modes (the RAM viewer measures from the send).
    bool measuresSilence() const { return m_mode == Lines || m_mode == AddressedLine || m_mode == Text; }

    const QByteArray &text() const { return m_text; }                // modes 10, 11; mode 9: after the line
    const QByteArray &line() const { return m_line; }                // mode 9: the line that ended the wait
    const std::vector<QByteArray> &lines() const { return m_lines; } // mode 7
    int linesFilled() const { return m_lineIndex; }

private:
    int m_mode;
    char m_addressChar;
    QByteArray m_text;
    QByteArray m_line;
    std::vector<QByteArray> m_lines;
    int m_lineIndex = 0;
};

} // namespace korvo
