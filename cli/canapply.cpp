// korvo-cli can-apply: writes a settings file (a [MODULE Settings] or [DONGLE Settings] section, as
// can-read writes it) to every page of a CAN module, adapter or monitor, as the window's OK does.

#include "canjob.h"

#include "settings/inifile.h"
#include "settings/prefkeys.h"
#include "settings/prefsfile.h"

namespace korvo::cli {

namespace {
int canApply(CliContext &ctx, QStringList args)
{
    CanTarget target = CanTarget::Dongle;
    QString error;
    if (!takeCanTarget(args, &target, &error) || args.size() != 1) {
        ctx.err(error.isEmpty() ? QStringLiteral("give one settings file") : error);
        return UsageOrLink;
    }
    QString readError;
    const IniFile ini = IniFile::load(args.front(), &readError);
    if (!readError.isEmpty()) {
        ctx.err(QStringLiteral("Cannot read %1: %2").arg(args.front(), readError));
        return UsageOrLink;
    }
    // The target's own section is used, or else the other one. A file with neither (empty, garbage, another
    // file) would write the defaults over the device's whole configuration.
    const QString own = target == CanTarget::Module ? prefkeys::moduleSection() : prefkeys::dongleSection();
    const QString other = target == CanTarget::Module ? prefkeys::dongleSection() : prefkeys::moduleSection();
    const bool hasOwn = !ini.keys(own).isEmpty();
    if (!hasOwn && ini.keys(other).isEmpty()) {
        ctx.err(QStringLiteral("%1 holds no CAN settings: it has no [%2] section (nor a [%3] one)")
                    .arg(args.front(), own, other));
        return UsageOrLink;
    }
    // Read as the preferences file is: absent keys keep their defaults.
    Preferences state;
    readPrefs(ini, state, false);
    const bool useModule = target == CanTarget::Module ? hasOwn : !hasOwn;
    CanConfigOptions options = canJobOptions(ctx, target, CanConfigOptions::Script::ApplyAll);
    options.applyRecord = state.canTable[useModule ? 0 : 1];
    CanConfigEngine engine(options);
    return runCanJob(ctx, engine);
}
} // namespace

const CliHelp kHelp{
    "can-apply FILE --target module|dongle|monitor",
    "Writes the settings in FILE (as can-read writes them) to every page of a CAN module, adapter or "
    "monitor. A module asks for its Config input to be grounded and freed, and waits for Enter each time. "
    "A file without a [MODULE Settings] or [DONGLE Settings] section is refused (status 2) before the device "
    "is asked.",
    {{"FILE", "the settings file"}, {"--target KIND", "module, dongle or monitor"}},
    "the device did not answer or refused a page",
    {}};

KORVO_CLI_COMMAND("can-apply", kHelp, canApply);

} // namespace korvo::cli
