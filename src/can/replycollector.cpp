#include "can/replycollector.h"

namespace korvo {

ReplyCollector::ReplyCollector(Mode mode, int lineCount, char addressChar)
    : m_mode(mode), m_addressChar(addressChar), m_lines(size_t(std::max(0, lineCount)))
{
}

ReplyCollector::Outcome ReplyCollector::take(const QByteArray &text)
{
    switch (m_mode) {
    case WaitAck:
        return text.contains('\x06') ? Outcome::Ended : Outcome::Collecting;
    case WaitPrompt:
        return text.contains('*') ? Outcome::Ended : Outcome::Collecting;
    case Lines:
        // Received lines fill the table in order, the index moving on after every LF; a full table takes
        // no more.
        for (const char c : text) {
            if (size_t(m_lineIndex) >= m_lines.size())
                break;
            m_lines[size_t(m_lineIndex)] += c;
            if (c == '\n')
                ++m_lineIndex;
        }
        return Outcome::Collecting;
    case AddressedLine: {
        m_text += text;
        const qsizetype lf = m_text.indexOf('\n');
        if (lf < 0)
            return Outcome::Collecting;
        m_line = m_text.left(lf + 1);
        m_text.remove(0, lf + 1);
        // The reply belongs to the request when it starts with the character the request was addressed with.
        return m_line.startsWith(m_addressChar) ? Outcome::Ended : Outcome::WrongReply;
    }
    case Text:
    case RamText:
        m_text += text;
        return Outcome::Collecting;
    }
    return Outcome::Collecting;
}

} // namespace korvo
