#pragma once

// How a device's reply to one request is collected, by receive mode: wait for an ACK character or a "*"
// prompt, take whole lines into a table, take one line that must start with the request's address
// character, or keep all text (for the CAN window or the RAM viewer). A plain value: the CAN exchange
// drives it.

#include <QByteArray>
#include <vector>

namespace korvo {

class ReplyCollector
{
public:
    // Numbered as the link reports its receive mode.
    enum Mode { WaitAck = 6, Lines = 7, WaitPrompt = 8, AddressedLine = 9, Text = 10, RamText = 11 };
    enum class Outcome { Collecting, Ended, WrongReply };

    // lineCount sizes the Lines table; addressChar is what an AddressedLine reply must start with.
    explicit ReplyCollector(Mode mode, int lineCount = 0, char addressChar = '\0');

    // One notification's text; the outcome says whether the reply is complete.
    Outcome take(const QByteArray &text);
    // Arriving text restarts the silence timer in these modes (the RAM viewer measures from the send).
    bool measuresSilence() const { return m_mode == Lines || m_mode == AddressedLine || m_mode == Text; }

    const QByteArray &text() const { return m_text; } // Text, RamText; AddressedLine: after the line
    const QByteArray &line() const { return m_line; } // AddressedLine: the line that ended the wait
    const std::vector<QByteArray> &lines() const { return m_lines; } // Lines
    int linesFilled() const { return m_lineIndex; }

private:
    Mode m_mode;
    char m_addressChar;
    QByteArray m_text;
    QByteArray m_line;
    std::vector<QByteArray> m_lines;
    int m_lineIndex = 0;
};

} // namespace korvo
