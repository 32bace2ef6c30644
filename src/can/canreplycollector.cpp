#include "can/canreplycollector.h"

namespace korvo {

void CanReplyCollector::reset(CanReply mode, const QByteArray &request)
{
    m_mode = mode;
    m_text = request;
    m_lines = {};
    m_lineCount = 0;
    m_complete = false;
}

bool CanReplyCollector::feed(const QByteArray &bytes)
{
    switch (m_mode) {
    case CanReply::Ack:
        m_complete = m_complete || bytes.contains(kAck);
        break;
    case CanReply::Star:
        m_complete = m_complete || bytes.contains('*');
        break;
    case CanReply::Lines:
        for (const char c : bytes) {
            if (m_lineCount >= kLineTable)
                break;
            m_lines[std::size_t(m_lineCount)] += c;
            if (c == '\n')
                ++m_lineCount;
        }
        break;
    case CanReply::Raw:
        m_text += bytes;
        break;
    }
    return m_complete;
}

} // namespace korvo
