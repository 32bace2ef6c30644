#include "startup.h"

#include "app/appstate.h"
#include "app/commandline.h"
#include "app/texthelpers.h"

namespace korvo {

void initialiseAppState(const QStringList &arguments, const QString &currentDir, const QString &programDir)
{
    AppState &state = app();
    state.version = versionText(KORVO_VERSION_MAJOR, KORVO_VERSION_MINOR, KORVO_VERSION_PATCH);
    state.startDir = currentDir;
    state.programDir = programDir;
    // The platform hands over an argument vector; the splitter works on the command-line text it came from.
    const StartupOptions options = parseStartup(arguments.join(QLatin1Char(' ')), currentDir);
    state.prefFile = options.prefFile;
    state.canSetup = options.canSetup;
    state.noReplyCheck = options.noReplyCheck;
    state.factory = options.factory;
}

} // namespace korvo
