#include "spi/spimessage.h"

#include "spi/converterframes.h"

namespace korvo {

namespace {
constexpr int kBytesPerLine = 20;

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

QStringList byteLines(const QString &prefix, const QByteArray &bytes)
{
    QStringList lines;
    QString line = prefix;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % kBytesPerLine == 0) {
            lines << line;
            line = QStringLiteral("  ");
        }
        line += QStringLiteral(" %1").arg(quint8(bytes[i]), 2, 16, QLatin1Char('0')).toUpper();
    }
    lines << line;
    return lines;
}
} // namespace

bool isSpiOutputText(const QString &text)
{
    for (const QChar c : text)
        if (!isHexDigit(c) && c != u' ')
            return false;
    return true;
}

QString spiOutputDigits(const QString &text)
{
    QString digits;
    for (const QChar c : text)
        if (isHexDigit(c))
            digits += c;
    return digits;
}

std::optional<QByteArray> buildSpiMessage(const QString &text)
{
    if (!isSpiOutputText(text))
        return std::nullopt;
    const QString digits = spiOutputDigits(text);
    if (digits.isEmpty() || digits.size() % 2 != 0 || digits.size() / 2 > kMaxSpiMessage)
        return std::nullopt;
    return QByteArray::fromHex(digits.toLatin1());
}

QStringList spiExchangeLines(const QByteArray &sent, const QByteArray &received)
{
    return byteLines(QStringLiteral("> "), sent) + byteLines(QStringLiteral("< "), received);
}

} // namespace korvo
