#include "capturecommands.h"

#include "app/prompt.h"
#include "functionkeys/capturefile.h"
#include "shell/mainmenus.h"
#include "ui/command.h"
#include "ui/filedialogs.h"

#include <QAction>

namespace korvo {

void runCaptureCommand(Command command, CaptureFile &capture, const FileDialogs &fileDialogs, Prompt &prompt,
                       DeviceType family, QWidget *parent)
{
    switch (command) {
    case Command::Capture: {
        const std::optional<QString> path = fileDialogs.getFile(
            FileDialogKind::CaptureFile, family, capture.fileName(), FileDialogMode::Save, parent);
        if (path && !capture.start(*path))
            ask(prompt, capture.errorText(), CaptureFile::errorTitle(), PromptIcon::Critical);
        break;
    }
    case Command::PauseCapture:
        capture.setPaused(capture.state() == CaptureFile::State::On);
        break;
    case Command::StopCapture:
        capture.stop();
        break;
    default:
        break;
    }
}

void showCaptureItems(MainMenus &menus, const CaptureFile &capture, bool terminalActive)
{
    menus.action(Command::Capture)->setEnabled(terminalActive && !capture.isOn());
    for (Command command : {Command::PauseCapture, Command::StopCapture}) {
        menus.action(command)->setVisible(capture.isOn());
        menus.action(command)->setEnabled(true);
    }
    menus.setCapturePaused(capture.state() == CaptureFile::State::Paused);
}

} // namespace korvo
