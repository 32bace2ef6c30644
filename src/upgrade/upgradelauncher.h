#pragma once

// The main window's Upgrade! command: the baud-change notice first when it is enabled, then the upgrade
// wizard on the active terminal's line, then the notice that the rate went back to 9600 when the wizard
// changed it. Windows open without blocking; each step continues when the previous one closes.

#include <QString>
#include <functional>

class QWidget;

namespace korvo {

class CommWindow;
class FileDialogs;
class Prompt;

struct UpgradeLaunch
{
    bool factory = false;       // hex files too, and the factory steps of the wizard
    bool showBaudChange = true; // the ShowBaudChange preference
    std::function<void(bool show)> showBaudChangeChanged; // "Don't Show Again." was clicked
    QString lastFile; // the upgrade file chosen last in this session, offered first
    std::function<void(const QString &path)> fileChosen;
};

// terminal is the active terminal window, or null when none is open; the wizard chooses its file through
// fileDialogs and asks through prompt, which outlive it.
void runUpgradeCommand(QWidget *parent, CommWindow *terminal, const FileDialogs &fileDialogs, Prompt &prompt,
                       const UpgradeLaunch &launch);

} // namespace korvo
