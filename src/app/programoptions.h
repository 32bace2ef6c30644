#pragma once

// What the program was started with: its version, folders, preferences file and command-line switches.

#include <QString>

namespace korvo {

struct ProgramOptions
{
    QString version;           // "1.000.000"
    QString startDir;          // current directory at start-up
    QString programDir;        // folder of the executable (keyword files, help pages)
    QString prefFile;          // preferences file in use, or the document named on the command line
    bool canSetup = false;     // "-c"
    bool noReplyCheck = false; // "-d"
    bool factory = false;      // "-f"
};

} // namespace korvo
