// korvo-cli: the program's device jobs for factory scripts, without a display. It parses the link
// options, finds the command in the registry and runs it; each command drives a core engine.

#include "clicommand.h"
#include "clihelp.h"
#include "clirunner.h"
#include "rack.h"

#include <QCoreApplication>
#include <cstdio>

using namespace korvo::cli;

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvo-cli"));
    QStringList args = QCoreApplication::arguments().mid(1);

    if (args.contains(QStringLiteral("--manual"))) {
        printManual(stdout);
        return Done;
    }
    if (args.isEmpty() || args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        // The first command named among the arguments; the general usage without one.
        for (const QString &arg : args)
            for (const CliCommand &command : cliCommands())
                if (arg == QLatin1String(command.name)) {
                    printCommandHelp(stdout, command);
                    return Done;
                }
        printUsage(args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? UsageOrLink : Done;
    }

    // Several links: one korvo-cli per link runs the command, this one sums them up.
    if (isRack(args))
        return runRack(args);

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
        CliRunner runner(options, name);
        if (!runner.error().isEmpty()) {
            runner.err(runner.error());
            return UsageOrLink;
        }
        const int result = command.run(runner, args);
        // The trace is written however the job ended; a trace that cannot be written fails a finished job.
        return runner.writeTrace() || result != Done ? result : UsageOrLink;
    }
    std::fprintf(stderr, "korvo-cli: unknown command \"%s\"\n", qPrintable(name));
    printUsage(stderr);
    return UsageOrLink;
}
