// korvo-cli verify: uploads the sections of a listing again and compares them with the listing.

#include "app/cp1252.h"
#include "transfer/listingdiff.h"
#include "transfer/uploadengine.h"
#include "transferoptions.h"

#include <QJsonObject>

namespace korvo::cli {
namespace {

int verify(CliContext &ctx, QStringList args)
{
    std::optional<TransferRequest> request = transferRequest(ctx, args);
    if (!request || !takeReadings(ctx, args, &*request))
        return UsageOrLink;
    if (args.size() != 1) {
        ctx.err(QStringLiteral("verify takes one listing file"));
        return UsageOrLink;
    }
    int exitCode = Done;
    const auto source = readListing(ctx, args.first(), &exitCode);
    if (!source)
        return exitCode;
    // Nothing named: every section the device has is read back and compared, so a listing that misses one
    // is not whole.
    if (request->sections == 0)
        request->sections = UploadEngine::sectionsOf(request->device);
    QList<QByteArray> uploaded;
    const int result = runUpload(ctx, *request, [&](const QString &line) {
        uploaded.append(encodeCp1252(line).value_or(line.toLatin1()));
    });
    if (result != Done)
        return result;
    const ListingDiff diff = ListingDiff::compare(*source, uploaded, request->device, request->sections);
    if (ctx.json())
        ctx.outJson({{QStringLiteral("identical"), diff.identical()},
                     {QStringLiteral("differences"), diff.rows().size()}});
    else if (diff.identical())
        ctx.out(QStringLiteral("identical"));
    else
        ctx.out(diff.unified(args.first(), QStringLiteral("device")).chopped(1));
    return diff.identical() ? Done : JobFailed;
}

} // namespace

const CliHelp kHelp{
    "verify FILE [--sections vars,flags,programs] [--read-twice | --reads N]",
    "Uploads the device's sections again and compares them with the listing FILE; prints \"identical\" or "
    "the "
    "differing lines as a unified diff (needs --device or --terminal).",
    {{"FILE", "the listing to compare with"},
     {"--sections LIST",
      "vars, flags and programs, separated by commas; every section the device has without it"},
     kReadTwiceHelp,
     kReadsHelp},
    "the device's listing differs from FILE, or the upload failed",
    {{"identical", "true when the device holds what FILE holds"},
     {"differences", "number of differing lines"}}};

KORVO_CLI_COMMAND("verify", kHelp, verify);

} // namespace korvo::cli
