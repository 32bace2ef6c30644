#pragma once

// Where the program finds the files it ships with and where it may write files of its own, both when it
// runs from its build folder and when it is installed (program in bin/, its files in share/korvoterm/).

#include "app/filecalls.h"

#include <QString>

namespace korvo {

// Folder of the keyword lists and the help pages: share/korvoterm beside the program's bin/ folder when
// that exists (an installed program), otherwise the program's own folder (a build).
QString dataFolder(const QString &programDir);

// Folder for files the program writes for itself, such as the temporary download file and the default
// capture file: the program's own folder when it is a build folder where a file can be created, otherwise
// (installed, or not writable) the user's data folder (created on demand;
// ~/.local/share/KorvoTerm/KorvoTerm on Linux).
QString writableFolder(const QString &programDir, FileCalls &calls = systemFileCalls());

// The capture file offered first ("Capture.txt"), in the writable folder.
QString defaultCaptureFile(const QString &programDir);

} // namespace korvo
