#include "startup.h"

#include "app/commandline.h"
#include "app/texthelpers.h"

namespace korvo {

ProgramOptions programOptions(const QStringList &arguments, const QString &currentDir,
                              const QString &programDir)
{
    ProgramOptions options;
    options.version = versionText(KORVO_VERSION_MAJOR, KORVO_VERSION_MINOR, KORVO_VERSION_PATCH);
    options.startDir = currentDir;
    options.programDir = programDir;
    // The platform hands over an argument vector; the splitter works on the command-line text it came from.
    const StartupOptions parsed = parseStartup(arguments.join(QLatin1Char(' ')), currentDir);
    options.prefFile = parsed.prefFile;
    options.canSetup = parsed.canSetup;
    options.noReplyCheck = parsed.noReplyCheck;
    options.factory = parsed.factory;
    return options;
}

} // namespace korvo
