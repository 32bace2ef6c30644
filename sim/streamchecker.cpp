#include "streamchecker.h"

namespace korvo {

namespace {

constexpr char kBlockMark = '#';
constexpr char kTrailerMark = '%';

QByteArray hex(quint64 value, int digits)
{
    return QByteArray::number(value, 16).toUpper().rightJustified(digits, '0');
}

quint16 crcOf(const char *data, qsizetype length)
{
    return qChecksum(QByteArrayView(data, length), Qt::ChecksumIso3309);
}

// body + " " + CRC of body + CR LF.
QByteArray sealed(QByteArray body)
{
    const quint16 crc = crcOf(body.constData(), body.size());
    return body + ' ' + hex(crc, 4) + "\r\n";
}

// The value of digits upper-case hex digits, -1 when one is not.
qint64 hexValue(const char *data, int digits)
{
    qint64 value = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = data[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

// The hex field of digits after the mark of a sealed record of the given size at data; -1 when the
// separator, the CRC or the line end does not match.
qint64 unseal(const char *data, qsizetype size, int digits)
{
    const qsizetype bodySize = size - 7;
    if (data[bodySize] != ' ' || data[size - 2] != '\r' || data[size - 1] != '\n')
        return -1;
    if (hexValue(data + bodySize + 1, 4) != crcOf(data, bodySize))
        return -1;
    return hexValue(data + 1, digits);
}

} // namespace

QByteArray StreamChecker::block(quint32 sequence)
{
    // A status line as a controller might print it; the text changes with the sequence.
    QByteArray body = kBlockMark + hex(sequence, 8) + " axis " + QByteArray::number(sequence % 9 + 1) +
                      " position " + QByteArray::number(qint64(sequence) * 125 % 1000000) + " speed " +
                      QByteArray::number(sequence % 5000);
    body = body.leftJustified(kBlockSize - 7, '.', true);
    return sealed(body);
}

QByteArray StreamChecker::trailer(qint64 streamBytes)
{
    return sealed(kTrailerMark + hex(quint64(streamBytes), 16));
}

void StreamChecker::feed(const QByteArray &bytes)
{
    m_pending += bytes;
    const char *data = m_pending.constData();
    const qsizetype size = m_pending.size();
    qsizetype at = 0;
    while (at < size) {
        // Everything up to the next mark is not stream data.
        if (data[at] != kBlockMark && data[at] != kTrailerMark) {
            ++at;
            continue;
        }
        const qsizetype taken = takeOne(data + at, size - at);
        if (taken == 0)
            break;
        at += taken;
    }
    m_pending.remove(0, at);
}

qsizetype StreamChecker::takeOne(const char *data, qsizetype available)
{
    const bool isBlock = data[0] == kBlockMark;
    const qsizetype size = isBlock ? kBlockSize : kTrailerSize;
    if (available < size)
        return 0;
    const qint64 value = unseal(data, size, isBlock ? 8 : 16);
    if (value < 0)
        return 1; // not a record after all, or a damaged one: look for the next mark after this one
    if (!isBlock) {
        m_sentBytes = value;
    } else if (quint32(value) >= m_nextSequence) {
        m_validBytes += kBlockSize;
        m_nextSequence = quint32(value) + 1;
    }
    return size;
}

qint64 StreamChecker::lostBytes() const
{
    const qint64 sent = finished() ? m_sentBytes : qint64(m_nextSequence) * kBlockSize;
    return sent - m_validBytes;
}

} // namespace korvo
