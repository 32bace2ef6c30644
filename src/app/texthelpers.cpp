#include "texthelpers.h"

#include <algorithm>

namespace korvo {

int32_t hexToLong(const QString &hex)
{
    // Unsigned arithmetic so that eight digits wrap like the 32-bit original instead of overflowing.
    uint32_t value = 0;
    uint32_t weight = 1;
    for (qsizetype i = hex.size() - 1; i >= 0; --i) {
        const int code = hex.at(i).toUpper().unicode();
        const int digit = code < 65 ? code - 48 : code - 55;
        value += static_cast<uint32_t>(digit) * weight;
        weight *= 16;
    }
    return static_cast<int32_t>(value);
}

std::optional<double> leadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isDigit() && c.unicode() < 128)
            digits = true;
        else if (c == u'.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return std::nullopt;
    return text.mid(start, i - start).toDouble();
}

QString trimLineEnds(const QString &text)
{
    QString out;
    out.reserve(text.size());
    qsizetype pendingSpaces = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ')) {
            ++pendingSpaces;
            continue;
        }
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            out.append(QString(pendingSpaces, QLatin1Char(' ')));
        pendingSpaces = 0;
        out.append(c);
    }
    out.append(QString(pendingSpaces, QLatin1Char(' ')));
    return out;
}

QString fileNameOnly(const QString &path)
{
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

QString extensionTag(const QString &path)
{
    const QString name = fileNameOnly(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}

QString backupFileName(const QString &path)
{
    const QString name = fileNameOnly(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return path + QStringLiteral(".bak");
    return path.left(path.size() - name.size() + dot + 1) + QStringLiteral("bak");
}

QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("%1.%2.%3")
        .arg(major)
        .arg(minor, 3, 10, QLatin1Char('0'))
        .arg(revision, 3, 10, QLatin1Char('0'));
}

} // namespace korvo
