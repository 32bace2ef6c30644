#include "transferoptions.h"

#include "transfer/listingreader.h"
#include "transfer/transferjob.h"
#include "transfer/transfersource.h"
#include "transfer/uploadengine.h"

namespace korvo::cli {

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
    for (const QString &name : sections.split(u',', Qt::SkipEmptyParts)) {
        if (name == QLatin1String("vars"))
            request.sections |= TransferRequest::Variables;
        else if (name == QLatin1String("flags"))
            request.sections |= TransferRequest::Flags;
        else if (name == QLatin1String("programs"))
            request.sections |= TransferRequest::Programs;
        else {
            ctx.err(QStringLiteral("unknown section \"%1\" (vars, flags, programs)").arg(name));
            return std::nullopt;
        }
    }
    return request;
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

int runUpload(CliContext &ctx, const TransferRequest &request,
              const std::function<void(const QString &)> &onLine)
{
    UploadEngine engine(request);
    qint64 lines = 0;
    return ctx.run(
        engine, CommLink::LeaseKind::Shared,
        [&](const EngineEvent &event) {
            if (const auto *line = event.as<EngineEvent::Line>()) {
                ++lines;
                onLine(line->text);
            }
        },
        transferProgress(ctx, engine, &lines));
}

} // namespace korvo::cli
