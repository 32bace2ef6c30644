#include "terminal/cellfont.h"

#include "ui/fontfallback.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPointer>

#include <algorithm>

namespace korvo {

namespace {

// The characters whose ink a cell must hold: printable ASCII and the tallest and deepest of Windows-1252.
QString inkSample()
{
    QString text;
    for (char16_t c = u'!'; c <= u'~'; ++c)
        text += QChar(c);
    return text + QStringLiteral("\u00C0\u00C5\u00C7\u00C9\u00D1\u00D6\u00DC\u00E7\u00FF\u20AC\u0160");
}

} // namespace

// Whether a family is installed goes through fontconfig's substitution, and measuring a face takes a layout:
// both are done once per choice, not for every terminal. The fonts go with the application, which they must
// not outlive.
const CellFont &cellFont(const QString &family, double pointSize, bool bold, bool italic)
{
    static QHash<QString, CellFont> known;
    static QPointer<QCoreApplication> knownFor;
    if (knownFor != QCoreApplication::instance()) {
        known.clear();
        knownFor = QCoreApplication::instance();
        qAddPostRoutine([] { known.clear(); });
    }
    const QString key =
        QStringLiteral("%1/%2/%3%4").arg(family).arg(pointSize).arg(int(bold)).arg(int(italic));
    auto found = known.constFind(key);
    if (found != known.cend())
        return *found;
    CellFont cell;
    // The stored name stays whatever the user chose; only the face used here falls back.
    QFont &font = cell.font;
    font = installedOrFixedPitch(family);
    font.setPointSizeF(pointSize > 0 ? pointSize : 10);
    font.setStyleHint(QFont::TypeWriter);
    font.setKerning(false);
    font.setBold(bold);
    font.setItalic(italic);
    const QFontMetrics fm(font);
    cell.cellWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    // A row holds the ink of what a device sends, accented capitals and descenders of every face the cells
    // use (bold and italic too): many faces draw past their own ascent or descent, and those pixels would be
    // lost to the next row or, on the last row, to the edge of the view.
    const QString sample = inkSample();
    int ascent = fm.ascent();
    int descent = fm.descent();
    for (const bool inkBold : {false, true}) {
        for (const bool inkItalic : {false, true}) {
            QFont face = font;
            face.setBold(bold || inkBold);
            face.setItalic(italic || inkItalic);
            const QRect ink = QFontMetrics(face).tightBoundingRect(sample);
            ascent = std::max(ascent, -ink.top());
            descent = std::max(descent, ink.bottom() + 1);
        }
    }
    cell.cellHeight = std::max({1, fm.height(), ascent + descent});
    cell.ascent = ascent;
    cell.fixedPitch = QFontInfo(font).fixedPitch();
    return *known.insert(key, cell);
}

} // namespace korvo
