#include "clicommand.h"

namespace korvo::cli {

std::vector<CliCommand> &cliCommands()
{
    static std::vector<CliCommand> commands;
    return commands;
}

CliRegistrar::CliRegistrar(const char *name, CliHelp help, CliFunction run)
{
    cliCommands().push_back({name, std::move(help), std::move(run)});
}

QString takeOption(QStringList &args, const QString &name, const QString &fallback)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == name && i + 1 < args.size()) {
            const QString value = args[i + 1];
            args.remove(i, 2);
            return value;
        }
        if (args[i].startsWith(name + QLatin1Char('='))) {
            const QString value = args[i].mid(name.size() + 1);
            args.remove(i);
            return value;
        }
    }
    return fallback;
}

bool takeFlag(QStringList &args, const QString &name)
{
    return args.removeAll(name) > 0;
}

} // namespace korvo::cli
