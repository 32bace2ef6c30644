// korvo-cli can-read: reads a CAN module's, adapter's or monitor's settings and prints them (or writes
// them to a file) as the preferences file's section, ready for can-apply.

#include "canjob.h"

#include <QJsonObject>
#include <QSaveFile>

namespace korvo::cli {

namespace {
int canRead(CliContext &ctx, QStringList args)
{
    CanTarget target = CanTarget::Dongle;
    QString error;
    const QString output = takeOption(args, QStringLiteral("-o"));
    if (!takeCanTarget(args, &target, &error) || !args.isEmpty()) {
        ctx.err(error.isEmpty() ? QStringLiteral("unexpected argument \"%1\"").arg(args.front()) : error);
        return UsageOrLink;
    }
    CanConfigEngine engine(canJobOptions(ctx, target, CanConfigOptions::Script::Read));
    const int result = runCanJob(ctx, engine);
    if (result != Done)
        return result;

    const QByteArray text = canRecordText(engine.connectedSettings(), target);
    if (output.isEmpty()) {
        if (ctx.json()) {
            QJsonObject object;
            for (const QByteArray &line : text.split('\n'))
                if (const qsizetype equals = line.indexOf('='); equals > 0)
                    object.insert(QString::fromLatin1(line.left(equals)),
                                  QString::fromLatin1(line.mid(equals + 1).trimmed()));
            ctx.outJson(object);
        } else {
            ctx.out(QString::fromLatin1(text).remove(u'\r').trimmed());
        }
        return Done;
    }
    QSaveFile file(output);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        ctx.err(QStringLiteral("Cannot write %1: %2").arg(output, file.errorString()));
        return UsageOrLink;
    }
    return Done;
}
} // namespace

const CliHelp kHelp{
    "can-read --target module|dongle|monitor [-o FILE]",
    "Reads the settings of a CAN module, adapter (dongle) or monitor and prints them, or writes them to "
    "FILE, "
    "as the preferences file's [MODULE Settings] or [DONGLE Settings] section, ready for can-apply.",
    {{"--target KIND", "module, dongle or monitor"}, {"-o FILE", "the settings file; stdout without it"}},
    "the device did not answer or refused a request",
    {{"KEY", "one text field per key of the settings section, without -o"}}};

KORVO_CLI_COMMAND("can-read", kHelp, canRead);

} // namespace korvo::cli
