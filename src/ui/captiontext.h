#pragma once

// Caption texts made from file names: which part of the path a caption shows, and paths shortened
// with an ellipsis to fit a width.

#include "settings/preferences.h"

#include <QString>

class QFontMetrics;

namespace korvo {

// strDisplay_Name: the fallback when captions do not use file names, the full path when FullName is on,
// otherwise the file name (the fallback when the path is empty).
QString displayName(const QString &path, const QString &fallback, const SetupRecord &setup);

// strCompact_Path: the path shortened in its middle with an ellipsis to fit width pixels.
QString compactPath(const QString &path, const QFontMetrics &metrics, int width);

} // namespace korvo
