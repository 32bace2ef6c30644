// korvo-cli: the program's device jobs for factory scripts, without a display. It parses the link
// options, finds the command in the registry and runs it; each command drives a core engine.

#include "clicommand.h"
#include "clirunner.h"

#include <QCoreApplication>
#include <cstdio>

using namespace korvo::cli;

namespace {

void printUsage(FILE *to)
{
    std::fputs(
        "usage: korvo-cli [LINK] [OPTIONS] COMMAND [ARGUMENTS]\n"
        "link:    --port DEVICE [--settings 9600,N,8,1] | --tcp HOST[:PORT] | --terminal N [--prefs FILE]\n"
        "options: --device ukorvo|926q|hmi|veltor|fendra|nb  --address TEXT  --json  --quiet\n"
        "         --time-scale N  pauses and time-outs N times shorter (against korvo-sim)\n"
        "commands:\n",
        to);
    for (const CliCommand &command : cliCommands())
        std::fprintf(to, "  %s\n", command.usage);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvo-cli"));
    QStringList args = QCoreApplication::arguments().mid(1);

    if (args.isEmpty() || args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        printUsage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? UsageOrLink : Done;
    }

    LinkOptions options;
    QString error;
    if (!parseLinkOptions(args, options, &error)) {
        std::fprintf(stderr, "korvo-cli: %s\n", qPrintable(error));
        return UsageOrLink;
    }
    if (args.isEmpty()) {
        std::fputs("korvo-cli: no command\n", stderr);
        printUsage(stderr);
        return UsageOrLink;
    }
    const QString name = args.takeFirst();
    for (const CliCommand &command : cliCommands()) {
        if (name != QLatin1String(command.name))
            continue;
        CliRunner runner(options);
        if (!runner.error().isEmpty()) {
            runner.err(runner.error());
            return UsageOrLink;
        }
        return command.run(runner, args);
    }
    std::fprintf(stderr, "korvo-cli: unknown command \"%s\"\n", qPrintable(name));
    printUsage(stderr);
    return UsageOrLink;
}
