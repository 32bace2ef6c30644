// korvo-cli upload: the device's listing to a file (written beside it, replacing it at the end) or stdout.

#include "transfer/listingfile.h"
#include "transferoptions.h"

#include <QJsonObject>

namespace korvo::cli {
namespace {

int upload(CliContext &ctx, QStringList args)
{
    const QString output = takeOption(args, QStringLiteral("-o"));
    std::optional<TransferRequest> request = transferRequest(ctx, args);
    if (!request || !takeReadings(ctx, args, &*request))
        return UsageOrLink;
    if (!args.isEmpty()) {
        ctx.err(QStringLiteral("upload takes no argument \"%1\"").arg(args.first()));
        return UsageOrLink;
    }
    // The file is made only for a job that can start: a link that does not open leaves none behind.
    if (!output.isEmpty() && !ctx.link())
        return UsageOrLink;
    std::unique_ptr<ListingFile> file;
    QString error;
    if (!output.isEmpty()) {
        file = std::make_unique<ListingFile>(output);
        if (!file->open(&error)) {
            ctx.err(QStringLiteral("Cannot write %1: %2").arg(file->incompletePath(), error));
            return UsageOrLink;
        }
    }
    qint64 lines = 0;
    bool writeFailed = false;
    const int result = runUpload(ctx, *request, [&](const QString &line) {
        ++lines;
        if (!file) {
            ctx.out(line);
        } else if (!writeFailed && !file->append(line, &error)) {
            writeFailed = true;
            ctx.err(QStringLiteral("Cannot write %1: %2").arg(file->incompletePath(), error));
        }
    });
    if (file && (result != Done || writeFailed)) {
        ctx.err(QStringLiteral("The incomplete upload is kept in %1").arg(file->keepIncomplete()));
        return writeFailed && result == Done ? JobFailed : result;
    }
    if (file && !file->commit(&error)) {
        ctx.err(QStringLiteral("Cannot replace %1: %2").arg(output, error));
        return JobFailed;
    }
    if (ctx.json())
        ctx.outJson({{QStringLiteral("lines"), lines}, {QStringLiteral("file"), output}});
    return result;
}

} // namespace

const CliHelp kHelp{
    "upload [-o FILE] [--sections vars,flags,programs] [--program NAME] [--read-twice | --reads N]",
    "Reads the device's listing (needs --device or --terminal). A file is written as FILE.incomplete and "
    "renamed over FILE when the upload has finished; a failed upload leaves FILE alone.",
    {{"-o FILE", "the listing file; the listing goes to stdout without it"},
     {"--sections LIST",
      "vars, flags and programs, separated by commas; every section the device has without it"},
     {"--program NAME", "only the program NAME"},
     kReadTwiceHelp,
     kReadsHelp},
    "the device failed the upload (a command asked again without a good answer, readings that never "
    "agreed), a command was never answered (its section holds its header alone), or FILE could not be "
    "written (what was read stays in FILE.incomplete)",
    {{"lines", "number of listing lines read"}, {"file", "the listing file, empty for stdout"}}};

KORVO_CLI_COMMAND("upload", kHelp, upload);

} // namespace korvo::cli
