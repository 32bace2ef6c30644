#include "commandline.h"

#include <QDir>

namespace korvo {

QStringList getCommandArgs(const QString &commandLine, int maximum)
{
    QStringList args;
    qsizetype i = 0;
    while (i < commandLine.size() && args.size() < maximum) {
        const QChar c = commandLine.at(i);
        if (c == QLatin1Char('-')) {
            args.append(commandLine.mid(i, 2));
            i += 2;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            ++i;
        } else {
            args.append(commandLine.mid(i));
            break;
        }
    }
    return args;
}

namespace {
QString inDirectory(const QString &dir, const QString &name)
{
    const QString sep = QDir::separator();
    return dir.endsWith(sep) ? dir + name : dir + sep + name;
}

// A drive colon (Windows) or a leading "/" makes a path absolute; anything else is relative to the start.
bool isAbsoluteArgument(const QString &arg)
{
    return arg.contains(QLatin1Char(':')) || arg.startsWith(QLatin1Char('/'));
}
} // namespace

QString defaultPrefFile(const QString &startDir)
{
    return inDirectory(startDir, QStringLiteral("korvoterm.ktm"));
}

StartupOptions parseStartup(const QString &commandLine, const QString &startDir)
{
    StartupOptions options;
    options.prefFile = defaultPrefFile(startDir);
    for (const QString &arg : getCommandArgs(commandLine, 4)) {
        const QString head = arg.left(2);
        if (head == QLatin1String("-c"))
            options.canSetup = true;
        else if (head == QLatin1String("-d"))
            options.noReplyCheck = true;
        else if (head == QLatin1String("-f"))
            options.factory = true;
        else if (head == QLatin1String("-s"))
            continue;
        else
            options.prefFile = isAbsoluteArgument(arg) ? arg : inDirectory(startDir, arg);
    }
    return options;
}

} // namespace korvo
