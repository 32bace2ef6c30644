// korvo-cli find-baud: the baud finder on the link's line; prints the rate found (exit 1 when none).

#include "clicommand.h"
#include "tools/commsearchengine.h"

using namespace korvo;
using namespace korvo::cli;

namespace {

int findBaud(CliContext &ctx, QStringList args)
{
    const QString delay = takeOption(args, QStringLiteral("--ctlc-delay-ms"));
    if (!args.isEmpty() || ctx.device() == PlainText) {
        ctx.err(QStringLiteral("usage: find-baud [--ctlc-delay-ms N] (needs --device or --terminal)"));
        return UsageOrLink;
    }
    const bool tcp = ctx.settings().tcpipEnabled;
    const int delayMs =
        delay.isEmpty() ? CommSearchEngine::defaultCtlCDelayMs(ctx.device(), tcp) : delay.toInt();
    CommSearchEngine engine({ctx.device(), tcp, std::max(0, delayMs), true});
    const int result = ctx.run(engine, CommLink::LeaseKind::Exclusive, [&](const EngineEvent &event) {
        if (const auto *status = event.as<EngineEvent::Status>())
            ctx.err(status->text);
        else if (const auto *line = event.as<EngineEvent::Line>(); line && !ctx.quiet())
            std::fputs(line->text.toLocal8Bit().constData(), stderr);
    });
    if (result != Done)
        return result;
    if (ctx.json())
        ctx.outJson({{QStringLiteral("rate"), engine.foundRate()}});
    else if (engine.foundRate() != 0)
        ctx.out(QString::number(engine.foundRate()));
    if (engine.foundRate() == 0) {
        // The log on stderr already ends with the verdict; said once, also when the log is off.
        if (ctx.quiet())
            ctx.err(QStringLiteral("no rate answered"));
        return JobFailed;
    }
    return Done;
}

} // namespace

const CliHelp kHelp{
    "find-baud [--ctlc-delay-ms N]",
    "Tries the rates in their order and prints the one the controller answers at (needs --device or "
    "--terminal). Each probe's exchange goes to stderr unless --quiet.",
    {{"--ctlc-delay-ms N",
      "the pause after the Ctrl+C that starts each probe (default: by device and link)"}},
    "no rate answered",
    {{"rate", "the rate found, 0 when none"}}};

KORVO_CLI_COMMAND("find-baud", kHelp, findBaud);
