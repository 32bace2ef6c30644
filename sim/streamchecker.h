#pragma once

// The sequenced stream a simulated controller sends with --stream, and the check that tells how much of it
// arrived. The stream is text, so a terminal shows it like any device output: 64-byte blocks "#", eight
// hex digits of sequence number, a line of text, four hex digits of CRC and CR LF. A trailer "%", sixteen
// hex digits of the number of stream bytes sent and a CRC ends it. Anything else between blocks (echo,
// prompts) is passed over.

#include <QByteArray>

namespace korvo {

class StreamChecker
{
public:
    static constexpr qsizetype kBlockSize = 64;
    static constexpr qsizetype kTrailerSize = 1 + 16 + 1 + 4 + 2;

    static QByteArray block(quint32 sequence);
    static QByteArray trailer(qint64 streamBytes);

    // Takes received bytes in any pieces.
    void feed(const QByteArray &bytes);

    // Bytes of intact blocks that arrived in order (a repeated or older block does not count).
    qint64 validBytes() const { return m_validBytes; }
    // The trailer has arrived: sentBytes() is known.
    bool finished() const { return m_sentBytes >= 0; }
    qint64 sentBytes() const { return m_sentBytes; }
    // Sent but never seen intact: the trailer's count, or before it the blocks up to the newest one seen.
    qint64 lostBytes() const;

private:
    // Examines the record that starts with a mark at data: the bytes it takes, 0 when more are needed.
    qsizetype takeOne(const char *data, qsizetype available);

    QByteArray m_pending;
    quint32 m_nextSequence = 0;
    qint64 m_validBytes = 0;
    qint64 m_sentBytes = -1;
};

} // namespace korvo
