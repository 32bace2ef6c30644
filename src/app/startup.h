#pragma once

// Start-up steps that need no windows: version, directories, command line and switches.

#include "app/programoptions.h"

#include <QStringList>

namespace korvo {

// The program's options from its arguments (without the program name), the current directory and the
// program's own folder.
ProgramOptions programOptions(const QStringList &arguments, const QString &currentDir,
                              const QString &programDir);

} // namespace korvo
