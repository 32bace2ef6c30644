#pragma once

// Start-up steps that need no windows: version, directories, command line and switches.

#include <QStringList>

namespace korvo {

// Fills the application state from the program's arguments (without the program name), the current
// directory and the program's own folder.
void initialiseAppState(const QStringList &arguments, const QString &currentDir, const QString &programDir);

} // namespace korvo
