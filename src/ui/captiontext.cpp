#include "captiontext.h"

#include "app/texthelpers.h"

#include <QFontMetrics>

namespace korvo {

QString displayName(const QString &path, const QString &fallback, const SetupRecord &setup)
{
    if (setup.useFileName == 0)
        return fallback;
    if (setup.fullName != 0)
        return path.isEmpty() ? fallback : path;
    const QString name = fileNameOnly(path);
    return name.isEmpty() ? fallback : name;
}

QString compactPath(const QString &path, const QFontMetrics &metrics, int width)
{
    if (width <= 0)
        return path;
    return metrics.elidedText(path, Qt::ElideMiddle, width);
}

} // namespace korvo
