// korvo-cli fkey: walks a function key on the link as F1..F10 do in a terminal, with its codes, pauses and
// repeats; what the device answers goes to stdout as it arrives, the "msg" panel's texts to stderr.
// "^c"/"^o" capture to the file given with --capture (nothing is captured without it).

#include "app/cp1252.h"
#include "clicommand.h"
#include "functionkeys/capturefile.h"
#include "functionkeys/functionkeywalk.h"

#include <QJsonArray>
#include <cstdio>

using namespace korvo;
using namespace korvo::cli;

namespace {

const char *const kUsage = "usage: fkey N [--group G] | fkey --contents TEXT   [--capture FILE]";

int fkey(CliContext &ctx, QStringList args)
{
    const QString contents = takeOption(args, QStringLiteral("--contents"));
    const QString group = takeOption(args, QStringLiteral("--group"));
    const QString captureFile = takeOption(args, QStringLiteral("--capture"));
    const CommWindowSettings &s = ctx.settings();
    FunctionKeyWalk::Options options;
    if (!contents.isEmpty() && args.isEmpty()) {
        options.contents[0] = encodeForDevice(contents);
    } else {
        bool ok = false;
        const int key = args.size() == 1 ? args.first().toInt(&ok) : 0;
        const int g = group.isEmpty() ? s.fGroup + 1 : group.toInt();
        if (!ok || key < 1 || key > FunctionKeyWalk::kKeys || g < 1 || g > s.fGroupCt ||
            !contents.isEmpty()) {
            ctx.err(QLatin1String(kUsage));
            return UsageOrLink;
        }
        for (int k = 0; k < FunctionKeyWalk::kKeys; ++k) {
            const size_t index = size_t((g - 1) * FunctionKeyWalk::kKeys + k);
            if (index < s.keys.size())
                options.contents[size_t(k)] = encodeForDevice(s.keys[index].command);
        }
        options.key = key - 1;
    }
    options.lineEnd = ctx.address().isEmpty() ? '\r' : '\n';

    CommLink *link = ctx.link();
    if (!link)
        return UsageOrLink;
    QByteArray received;
    QObject::connect(link, &CommLink::dataReceived, [&ctx, &received](const QByteArray &bytes) {
        received += bytes;
        if (!ctx.json()) {
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
            std::fflush(stdout);
        }
    });
    CaptureFile capture;
    link->setCaptureSink([&capture, &ctx](const QByteArray &bytes) {
        if (!capture.write(bytes))
            ctx.err(capture.errorText());
    });

    FunctionKeyWalk::Stopwatches stopwatches;
    FunctionKeyWalk walk(options, stopwatches);
    QJsonArray messages;
    const int result = ctx.run(walk, CommLink::LeaseKind::Shared, [&](const EngineEvent &event) {
        using Kind = EngineEvent::KeyNotice::Kind;
        if (const auto *notice = event.as<EngineEvent::KeyNotice>()) {
            if (notice->kind == Kind::CaptureOn && !captureFile.isEmpty() && !capture.isOn() &&
                !capture.start(captureFile))
                ctx.err(capture.errorText());
            else if (notice->kind == Kind::CaptureOff)
                capture.stop();
        } else if (const auto *status = event.as<EngineEvent::Status>()) {
            messages.append(status->text);
            if (!ctx.quiet())
                ctx.err(status->text);
        }
    });
    link->setCaptureSink({});
    capture.stop();
    if (ctx.json())
        ctx.outJson({{QStringLiteral("messages"), messages},
                     {QStringLiteral("received"), QString::fromLatin1(received)}});
    return result;
}

} // namespace

const CliHelp kHelp{
    "fkey N [--group G] | fkey --contents TEXT [--capture FILE]",
    "Walks a function key as F1..F10 do in a terminal, with its caret codes, pauses and repeats. What the "
    "device sends goes to stdout as it arrives, the texts of the terminal's msg panel to stderr.",
    {{"N", "key 1..10 of the group of the terminal named with --terminal"},
     {"--group G", "the function-key group (default: the terminal's active group)"},
     {"--contents TEXT", "walk TEXT instead of a stored key"},
     {"--capture FILE", "where ^c captures; nothing is captured without it"}},
    "the walk failed (a write failed or the link was lost)",
    {{"messages", "array of the msg panel's texts"}, {"received", "everything the device sent"}}};

KORVO_CLI_COMMAND("fkey", kHelp, fkey);
