#include "ui/fontfallback.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace korvo {

namespace {

// What fontconfig makes of a request for "monospace" depends on the fonts installed: with some sets it
// lands on a proportional face, or on one whose cells are not all one width. Only a face the font engine
// itself reports as fixed pitch lines up columns, so the system's choice is checked and, when it fails,
// the first installed family that passes is taken instead.
QFont systemFixedPitch()
{
    // Some platforms answer a request for the system's fixed font with any font unless the request says so.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (QFontInfo(font).fixedPitch())
        return font;
    const QStringList families = QFontDatabase::families();
    for (const QString &family : families) {
        if (!QFontDatabase::isFixedPitch(family) || QFontDatabase::isPrivateFamily(family))
            continue;
        QFont candidate(family);
        candidate.setStyleHint(QFont::TypeWriter);
        candidate.setFixedPitch(true);
        const QFontInfo info(candidate);
        if (info.fixedPitch() && info.family() == family)
            return candidate;
    }
    return font; // no fixed-pitch face on this machine at all
}

} // namespace

QFont installedOrFixedPitch(const QString &family)
{
    if (!family.isEmpty() && QFontDatabase::hasFamily(family))
        return QFont(family);
    return systemFixedPitch();
}

QString familyInUse(const QString &stored)
{
    if (!stored.isEmpty() && QFontDatabase::hasFamily(stored))
        return stored;
    return QFontInfo(installedOrFixedPitch(stored)).family();
}

} // namespace korvo
