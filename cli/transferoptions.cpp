#include "transferoptions.h"

#include "transfer/listingreader.h"
#include "transfer/transferjob.h"
#include "transfer/transfersource.h"
#include "transfer/uploadengine.h"

#include <algorithm>

namespace korvo::cli {

namespace {
const std::pair<int, const char *> kSectionNames[] = {{TransferRequest::Variables, "vars"},
                                                      {TransferRequest::Flags, "flags"},
                                                      {TransferRequest::Programs, "programs"}};
} // namespace

std::optional<TransferRequest> transferRequest(CliContext &ctx, QStringList &args)
{
    if (ctx.device() == PlainText) {
        ctx.err(QStringLiteral("give the controller type with --device (or --terminal)"));
        return std::nullopt;
    }
    TransferRequest request;
    request.device = ctx.device();
    request.deviceAddress = ctx.address();
    request.programName = takeOption(args, QStringLiteral("--program"));
    request.timing = LinkTiming::fromSettings(ctx.settings());
    const QString sections = takeOption(args, QStringLiteral("--sections"));
    const int has = UploadEngine::sectionsOf(request.device);
    QStringList hasNames;
    for (const auto &[bit, name] : kSectionNames)
        if (has & bit)
            hasNames << QLatin1String(name);
    for (const QString &name : sections.split(u',', Qt::SkipEmptyParts)) {
        const auto *found =
            std::find_if(std::begin(kSectionNames), std::end(kSectionNames),
                         [&](const auto &entry) { return name == QLatin1String(entry.second); });
        if (found == std::end(kSectionNames)) {
            ctx.err(QStringLiteral("unknown section \"%1\" (vars, flags, programs)").arg(name));
            return std::nullopt;
        }
        // Never a silent substitution: a section the device lacks is the caller's mistake.
        if (!(has & found->first)) {
            ctx.err(QStringLiteral("the device has no section \"%1\" (it has %2)")
                        .arg(name, hasNames.join(u',')));
            return std::nullopt;
        }
        request.sections |= found->first;
    }
    return request;
}

bool takeReadings(CliContext &ctx, QStringList &args, TransferRequest *request)
{
    if (takeFlag(args, QStringLiteral("--read-twice")))
        request->readings = 2;
    const QString reads = takeOption(args, QStringLiteral("--reads"));
    if (reads.isEmpty())
        return true;
    bool ok = false;
    request->readings = reads.toInt(&ok);
    if (ok && request->readings >= 1 && request->readings <= 9)
        return true;
    ctx.err(QStringLiteral("--reads takes a number from 1 to 9"));
    return false;
}

std::optional<QList<QByteArray>> readListing(CliContext &ctx, const QString &path, int *exitCode)
{
    QByteArray bytes;
    QString error;
    if (!TransferSource::readFile(path, &bytes, &error)) {
        ctx.err(QStringLiteral("Cannot read %1: %2").arg(path, error));
        *exitCode = UsageOrLink;
        return std::nullopt;
    }
    QList<QByteArray> lines;
    if (!ListingReader::splitLines(bytes, &lines, &error)) {
        ctx.err(QStringLiteral("%1: %2").arg(path, error));
        *exitCode = JobFailed;
        return std::nullopt;
    }
    return lines;
}

std::function<QString()> transferProgress(CliContext &ctx, const DeviceEngine &engine, const qint64 *linesIn)
{
    CommLink *link = ctx.link();
    if (!link)
        return {};
    const qint64 startMs = link->nowMs();
    return [link, startMs, &engine, linesIn] {
        const qint64 now = link->nowMs();
        return TransferJob::describe(
                   TransferJob::figuresOf(engine, linesIn ? *linesIn : 0, now - startMs, now))
            .join(QStringLiteral(", "));
    };
}

int runUpload(CliContext &ctx, TransferRequest request, const std::function<void(const QString &)> &onLine)
{
    // Nothing named: every section the device has, so a backup is whole.
    if (request.sections == 0)
        request.sections = UploadEngine::sectionsOf(request.device);
    UploadEngine engine(request);
    qint64 lines = 0;
    return ctx.run(
        engine, CommLink::LeaseKind::Shared,
        [&](const EngineEvent &event) {
            if (const auto *line = event.as<EngineEvent::Line>()) {
                ++lines;
                onLine(line->text);
            } else if (const auto *status = event.as<EngineEvent::Status>();
                       status && !ctx.quiet() && !status->text.startsWith(QLatin1String("Uploading "))) {
                ctx.err(status->text); // a command asked again on a noisy line
            }
        },
        transferProgress(ctx, engine, &lines));
}

} // namespace korvo::cli
