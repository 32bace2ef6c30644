#pragma once

// Where the program keeps a file of its own making (the default capture file): its own folder, as it
// always has, or the user's data folder when the program's folder cannot be written (an installed program).

#include <QString>

namespace korvo {

// folder/fileName when folder is a writable directory, else fallbackDir/fileName; fallbackDir is created
// when missing.
QString programOrUserFile(const QString &fileName, const QString &folder, const QString &fallbackDir);
// The same for the program's folder (app().programDir) and the user's data folder.
QString programOrUserFile(const QString &fileName);

} // namespace korvo
