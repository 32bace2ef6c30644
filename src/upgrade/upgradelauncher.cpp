#include "upgrade/upgradelauncher.h"

#include "app/appstate.h"
#include "app/prompt.h"
#include "link/baudchangedialog.h"
#include "terminal/commwindow.h"
#include "ui/filedialogs.h"
#include "upgrade/upgradewizard.h"

#include <QPointer>

namespace korvo {

namespace {
void openWizard(QWidget *parent, QPointer<CommWindow> terminal)
{
    if (!terminal)
        return;
    const DeviceType family = terminal->settings().device;
    // The last upgrade file chosen in this session is offered first.
    static QString lastFile;
    auto chooser = [parent, family]() -> std::optional<QString> {
        std::optional<QString> path =
            getFile(FileDialogKind::UpgradeFile, family, lastFile, FileDialogMode::Open, parent);
        if (path)
            lastFile = *path;
        return path;
    };
    auto *wizard = new UpgradeWizard(terminal->link(), app().factory, chooser, parent);
    wizard->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(wizard, &QDialog::finished, parent, [wizard] {
        if (wizard->baudChanged())
            ask(QStringLiteral("BAUD Rate has changed to 9600 to match uKorvo Default Settings."), QString(),
                PromptIcon::Information);
    });
    wizard->open();
}
} // namespace

void runUpgradeCommand(QWidget *parent, CommWindow *terminal)
{
    if (!terminal) {
        ask(QStringLiteral(
                "The Comm Window is not available.\r\nOpen the Comm Window and Connect, then try again."),
            QStringLiteral("Comm Connection"), PromptIcon::Exclamation);
        return;
    }
    const QPointer<CommWindow> target(terminal);
    if (!app().setup.showBaudChange) {
        openWizard(parent, target);
        return;
    }
    auto *notice = new BaudChangeDialog(parent);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setModal(true);
    QObject::connect(notice, &QDialog::finished, parent, [parent, target] { openWizard(parent, target); });
    notice->open();
}

} // namespace korvo
