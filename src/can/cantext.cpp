#include "can/cantext.h"

#include <cmath>

namespace korvo {

QString formatPicture(double value)
{
    QString text = QString::number(value, 'f', 4);
    // Trailing zeros go, down to the one decimal the picture always shows.
    while (text.endsWith(u'0') && text.at(text.size() - 2) != u'.')
        text.chop(1);
    if (text.startsWith(u'-') && text.count(u'0') + 2 == text.size())
        text.remove(0, 1); // -0.0
    return text;
}

QString hexPad(int value, int width)
{
    return QString::number(value, 16).toUpper().rightJustified(width, u'0');
}

std::optional<int> typedHexValue(const QString &text)
{
    // Five characters can still land inside 16 bits when some count negative; more cannot be meant.
    if (text.size() > 5)
        return std::nullopt;
    qint64 value = 0;
    qint64 weight = 1;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const int code = text.at(i).toUpper().unicode();
        value += qint64(code < 65 ? code - 48 : code - 55) * weight;
        weight *= 16;
    }
    if (value < -32768 || value > 65535)
        return std::nullopt;
    return int(value);
}

} // namespace korvo
