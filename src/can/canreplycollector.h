#pragma once

// Collects the reply to one CAN request the way its command asks: up to the acknowledge character, up to
// "*", into a table of lines, or as raw text behind the request. The engine ends the silence-bounded kinds
// (lines, raw) by its reply timer, which every arrival restarts.

#include "can/canrequest.h"

#include <QByteArray>
#include <array>

namespace korvo {

class CanReplyCollector
{
public:
    static constexpr int kLineTable = 36;
    using Lines = std::array<QByteArray, kLineTable>;

    // A new request: the raw text starts as the request itself (the reply is read from its end).
    void reset(CanReply mode, const QByteArray &request);
    // True once the reply is complete (acknowledge or "*" seen); lines and raw text never complete here.
    bool feed(const QByteArray &bytes);

    CanReply mode() const { return m_mode; }
    // Whether arrivals restart the silence timer.
    bool endsBySilence() const { return m_mode == CanReply::Lines || m_mode == CanReply::Raw; }
    const QByteArray &text() const { return m_text; }
    const Lines &lines() const { return m_lines; }
    // Line feeds counted while the table had room.
    int lineCount() const { return m_lineCount; }

private:
    CanReply m_mode = CanReply::Ack;
    QByteArray m_text;
    Lines m_lines;
    int m_lineCount = 0;
    bool m_complete = false;
};

} // namespace korvo
