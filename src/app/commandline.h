#pragma once

// Command-line splitting and the start-up switches.

#include <QString>
#include <QStringList>

namespace korvo {

// Splits a command line: "-" plus the next character form one argument; blanks and TABs separate;
// any other character starts the last argument, which runs to the end of the line.
QStringList getCommandArgs(const QString &commandLine, int maximum = 10);

struct StartupOptions
{
    QString prefFile;
    QString documentFile; // a file argument without a preferences extension: opened, never rewritten
    bool canSetup = false;
    bool noReplyCheck = false;
    bool factory = false;
};

// The preferences file used when the command line names none.
QString defaultPrefFile(const QString &startDir);

// Applies at most four arguments of a command line against the start-up directory. A file argument names
// the preferences file only with a preferences extension (".ktm", ".ini"); any other file is a document.
StartupOptions parseStartup(const QString &commandLine, const QString &startDir);

} // namespace korvo
