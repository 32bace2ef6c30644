#include "comm/capturemenu.h"

#include "app/prompt.h"
#include "comm/capturefile.h"
#include "ui/main/filedialogs.h"
#include "ui/main/mainmenus.h"

#include <QAction>

namespace korvo {

void runCaptureCommand(int index, QWidget *parent)
{
    CaptureFile &capture = appCapture();
    switch (index) {
    case 3: {
        const std::optional<QString> path = getFile(FileDialogKind::CaptureFile, activeDeviceFamily(),
                                                    capture.fileName(), FileDialogMode::Save, parent);
        if (path && !capture.start(*path))
            ask(capture.errorText(), CaptureFile::errorTitle(), PromptIcon::Critical);
        break;
    }
    case 4:
        capture.setPaused(capture.state() == CaptureFile::State::On);
        break;
    case 5:
        capture.stop();
        break;
    default:
        break;
    }
}

void showCaptureItems(MainMenus &menus, bool terminalActive)
{
    const CaptureFile &capture = appCapture();
    menus.item(MenuId::Transfer, 3)->setEnabled(terminalActive && !capture.isOn());
    for (int index : {4, 5}) {
        menus.item(MenuId::Transfer, index)->setVisible(capture.isOn());
        menus.item(MenuId::Transfer, index)->setEnabled(true);
    }
    menus.setCapturePaused(capture.state() == CaptureFile::State::Paused);
}

} // namespace korvo
