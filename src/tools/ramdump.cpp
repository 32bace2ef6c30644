#include "tools/ramdump.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace korvo::ramdump {

namespace {
const QString kFullHeader = QStringLiteral("        0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F");

int rowsFor(int count)
{
    return std::max(1, (count + kBytesPerRow - 1) / kBytesPerRow);
}
} // namespace

QString extract(const QByteArray &printed, const QString &addressBox, int count)
{
    const QString text = QString::fromLatin1(printed);
    const QString address = addressBox.trimmed().rightJustified(4, QLatin1Char('0')).toUpper();
    // Searched without regard to case in the text itself: upper-casing a copy can change its length ("ß"
    // becomes "SS") and so the place found.
    const qsizetype at = text.indexOf(address, 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    QStringList lines = text.mid(at).split(QStringLiteral("\r\n"));
    lines = lines.mid(0, rowsFor(count));
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.join(QStringLiteral("\r\n"));
}

QString garbledRow(const QString &dump, const QString &addressBox, int count)
{
    // The controller formats the rows: after the address it may print a separator ("8010:", "8010 -"),
    // and after the bytes whatever it likes. Damage is a row that is not there, a row of another address,
    // a byte field that is not two hex digits, or bytes missing.
    static const QRegularExpression rowPattern(
        QStringLiteral("^\\s*([0-9A-Fa-f]{4})(?:\\s*[^\\s0-9A-Za-z]+)?(?=\\s|$)(.*)$"));
    bool ok = false;
    const uint start = addressBox.trimmed().toUInt(&ok, 16);
    const QStringList rows = dump.split(QStringLiteral("\r\n"));
    for (int r = 0; r < rowsFor(count); ++r) {
        const QString row = r < rows.size() ? rows.at(r) : QString();
        const QRegularExpressionMatch match = rowPattern.match(row);
        const QStringList fields = match.captured(2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        const int bytes = std::clamp(count - r * kBytesPerRow, 0, kBytesPerRow);
        const bool whole =
            ok && match.hasMatch() &&
            match.captured(1).toUInt(nullptr, 16) == ((start + uint(r * kBytesPerRow)) & 0xFFFF) &&
            fields.size() >= bytes &&
            std::all_of(fields.begin(), fields.begin() + bytes, [](const QString &field) {
                bool hex = false;
                return field.size() == 2 && (field.toUInt(&hex, 16), hex);
            });
        if (!whole)
            return QStringLiteral("\"%1\"").arg(row.trimmed());
    }
    return {};
}

QString header(int count)
{
    if (count >= kBytesPerRow)
        return kFullHeader;
    const int bytes = std::max(1, count);
    return kFullHeader.left(kAddressField - 1 + 3 * bytes + (bytes > 8 ? 1 : 0));
}

std::vector<DumpRun> mark(const QString &dump, const QString &previous, bool compare)
{
    std::vector<DumpRun> runs;
    for (qsizetype i = 0; i < dump.size(); ++i) {
        const QChar c = dump.at(i);
        const bool changed = compare && i < previous.size() && c != previous.at(i) && c != QLatin1Char(' ') &&
                             previous.at(i) != QLatin1Char(' ');
        if (runs.empty() || runs.back().changed != changed)
            runs.push_back({QString(), changed});
        runs.back().text += c;
    }
    return runs;
}

} // namespace korvo::ramdump
