// korvo-cli send: one line to the device, and what comes back until it has been quiet for a while.

#include "app/cp1252.h"
#include "clicommand.h"
#include "transfer/sendlineengine.h"

#include <QJsonObject>
#include <cstdio>

namespace korvo::cli {
namespace {

int sendLine(CliContext &ctx, QStringList args)
{
    bool ok = true;
    const int waitMs = takeOption(args, QStringLiteral("--wait-ms"), QStringLiteral("500")).toInt(&ok);
    if (!ok || waitMs < 0 || args.size() != 1) {
        ctx.err(QStringLiteral("usage: send TEXT [--wait-ms N]"));
        return UsageOrLink;
    }
    const QString address = ctx.address();
    const QString text = address + args.first() + (address.isEmpty() ? u'\r' : u'\n');
    SendLineEngine engine(encodeCp1252(text).value_or(text.toLatin1()), waitMs);
    const int result = ctx.run(engine, CommLink::LeaseKind::Shared, {});
    const QByteArray &reply = engine.received();
    if (ctx.json()) {
        ctx.outJson({{QStringLiteral("reply"), decodeCp1252(reply.constData(), reply.size())}});
    } else {
        std::fwrite(reply.constData(), 1, size_t(reply.size()), stdout);
        std::fflush(stdout);
    }
    return result;
}

} // namespace

const CliHelp kHelp{
    "send TEXT [--wait-ms N]",
    "Sends TEXT as one line (after the --address, if any) and prints what comes back until the device has "
    "been silent for N ms.",
    {{"TEXT", "the line to send, without its line end"},
     {"--wait-ms N", "the silence that ends the answer, in ms (default 500)"}},
    "the line could not be sent",
    {{"reply", "what came back, as text"}}};

KORVO_CLI_COMMAND("send", kHelp, sendLine);

} // namespace korvo::cli
