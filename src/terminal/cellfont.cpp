#include "terminal/cellfont.h"

#include "ui/fontfallback.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QPointer>

#include <algorithm>

namespace korvo {

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
    cell.cellHeight = std::max(1, fm.height());
    cell.ascent = fm.ascent();
    cell.fixedPitch = QFontInfo(font).fixedPitch();
    return *known.insert(key, cell);
}

} // namespace korvo
