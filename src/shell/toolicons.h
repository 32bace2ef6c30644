#pragma once

// Toolbar icons: the desktop theme's icon when it has one, else a simple drawing of our own.

#include <QIcon>
#include <QString>

namespace korvo {

QIcon toolIcon(const QString &key);
// The drawing used when the theme has no icon; also used for the program's window icon ("app").
QIcon drawnIcon(const QString &key);

} // namespace korvo
