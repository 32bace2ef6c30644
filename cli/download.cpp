// korvo-cli download: a listing to the device, line by line, each after the device's echo.

#include "app/devicecatalogue.h"
#include "transfer/downloadengine.h"
#include "transfer/listingreader.h"
#include "transferoptions.h"

#include <QJsonObject>

namespace korvo::cli {
namespace {

int download(CliContext &ctx, QStringList args)
{
    const QString timeout = takeOption(args, QStringLiteral("--timeout-s"));
    std::optional<TransferRequest> request = transferRequest(ctx, args);
    if (!request)
        return UsageOrLink;
    if (!timeout.isEmpty()) {
        bool ok = false;
        const double seconds = timeout.toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 86'400) {
            ctx.err(QStringLiteral("--timeout-s takes a number of seconds above 0"));
            return UsageOrLink;
        }
        request->echoTimeoutMs = int(seconds * 1000);
    }
    if (args.size() != 1) {
        ctx.err(QStringLiteral("download takes one listing file"));
        return UsageOrLink;
    }
    if (request->device == DeviceType::Hmi) {
        ctx.err(QStringLiteral("Download not available for HMI"));
        return UsageOrLink;
    }
    int exitCode = Done;
    const auto lines = readListing(ctx, args.first(), &exitCode);
    if (!lines)
        return exitCode;
    if (lines->isEmpty()) {
        ctx.err(QStringLiteral("%1 has no lines to send").arg(args.first()));
        return JobFailed;
    }
    const ListingReader::Selection selection =
        ListingReader::select(*lines, request->device, request->sections);
    if (request->sections != 0 && selection.found != request->sections) {
        ctx.err(QStringLiteral("Did not find requested Data Type in %1").arg(args.first()));
        if (selection.found == 0)
            return JobFailed;
    }
    DownloadEngine engine(selection.lines, *request);
    const int result = ctx.run(
        engine, CommLink::LeaseKind::Shared,
        [&](const EngineEvent &event) {
            const auto *status = event.as<EngineEvent::Status>();
            if (status && status->text != QLatin1String("Downloading"))
                ctx.err(status->text); // a failed write; the download goes on
        },
        transferProgress(ctx, engine, nullptr));
    if (result != Done && !engine.programModeNote().isEmpty())
        ctx.err(engine.programModeNote());
    if (ctx.json())
        ctx.outJson(
            {{QStringLiteral("lines"), engine.linesDone()}, {QStringLiteral("bytes"), engine.bytesDone()}});
    return result;
}

} // namespace

const CliHelp kHelp{
    "download FILE [--sections vars,flags,programs] [--timeout-s N]",
    "Sends the listing FILE to the device line by line, each line after the device's echo of the line end "
    "before it (needs --device or --terminal; not for HMI). Without --timeout-s there is no time-out: "
    "Ctrl+C ends it.",
    {{"FILE", "the listing to send"},
     {"--sections LIST", "vars, flags and programs, separated by commas; every section in FILE without it"},
     {"--timeout-s N", "fail when the echo of a line has not come N seconds after the last one"}},
    "FILE holds none of the sections asked for or no lines, the echo of a line did not come in time or "
    "differed from the line, the device answered \"?\" to a line, or the device failed the download",
    {{"lines", "number of lines sent"}, {"bytes", "number of bytes sent"}}};

KORVO_CLI_COMMAND("download", kHelp, download);

} // namespace korvo::cli
