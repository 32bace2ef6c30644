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
    // Read as the preferences file is: absent keys keep their defaults.
    Preferences state;
    readPrefs(ini, state, false);
    const bool useModule = target == CanTarget::Module ? ini.hasSection(prefkeys::moduleSection())
                                                       : !ini.hasSection(prefkeys::dongleSection());
    CanConfigOptions options = canJobOptions(ctx, target, CanConfigOptions::Script::ApplyAll);
    options.applyRecord = state.canTable[useModule ? 0 : 1];
    CanConfigEngine engine(options);
    return runCanJob(ctx, engine);
}
} // namespace

const CliHelp kHelp{
    "can-apply FILE --target module|dongle|monitor",
    "Writes the settings in FILE (as can-read writes them) to every page of a CAN module, adapter or "
    "monitor. A module asks for its Config input to be grounded and freed, and waits for Enter each time.",
    {{"FILE", "the settings file"}, {"--target KIND", "module, dongle or monitor"}},
    "the device did not answer or refused a page",
    {}};

KORVO_CLI_COMMAND("can-apply", kHelp, canApply);

} // namespace korvo::cli
