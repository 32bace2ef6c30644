#include "ui/fontfallback.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace korvo {

QFont installedOrFixedPitch(const QString &family)
{
    if (!family.isEmpty() && QFontDatabase::hasFamily(family))
        return QFont(family);
    // Some platforms answer a request for the system's fixed font with any font unless the request says so.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QString familyInUse(const QString &stored)
{
    if (!stored.isEmpty() && QFontDatabase::hasFamily(stored))
        return stored;
    return QFontInfo(installedOrFixedPitch(stored)).family();
}

} // namespace korvo
