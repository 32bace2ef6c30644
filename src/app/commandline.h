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
    bool canSetup = false;
    bool noReplyCheck = false;
    bool factory = false;
};

// The preferences file used when the command line names none.
QString defaultPrefFile(const QString &startDir);

// Applies at most four arguments of a command line against the start-up directory: any argument that is not
// one of the four switches names the preferences file, the last one winning. Whether an existing file holds
// preferences or is a document to open is the workspace's to find out when it reads it.
StartupOptions parseStartup(const QString &commandLine, const QString &startDir);

} // namespace korvo
