#include "upgrade/upgradelauncher.h"

#include "app/prompt.h"
#include "link/baudchangedialog.h"
#include "link/commlink.h"
#include "terminal/commwindow.h"
#include "ui/filedialogs.h"
#include "upgrade/upgradewizard.h"

#include <QPointer>

namespace korvo {

namespace {
void openWizard(QWidget *parent, QPointer<CommWindow> terminal, const UpgradeLaunch &launch,
                const FileDialogs *fileDialogs, Prompt *prompt)
{
    if (!terminal)
        return;
    const DeviceType family = terminal->settings().device;
    const FileDialogKind kind =
        launch.factory ? FileDialogKind::FactoryUpgradeFile : FileDialogKind::UpgradeFile;
    // A wizard may ask more than once: each choice is offered first the next time.
    auto chooser = [parent, fileDialogs, family, kind, lastFile = launch.lastFile,
                    fileChosen = launch.fileChosen]() mutable -> std::optional<QString> {
        std::optional<QString> path =
            fileDialogs->getFile(kind, family, lastFile, FileDialogMode::Open, parent);
        if (path) {
            lastFile = *path;
            if (fileChosen)
                fileChosen(lastFile);
        }
        return path;
    };
    auto *wizard = new UpgradeWizard(terminal->link(), launch.factory, chooser, *prompt, parent);
    wizard->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(wizard, &QDialog::finished, parent, [wizard, prompt] {
        if (wizard->baudChanged())
            ask(*prompt, QStringLiteral("BAUD Rate has changed to 9600 to match uKorvo Default Settings."),
                QString(), PromptIcon::Information);
    });
    wizard->open();
}
} // namespace

void runUpgradeCommand(QWidget *parent, CommWindow *terminal, const FileDialogs &fileDialogs, Prompt &prompt,
                       const UpgradeLaunch &launch)
{
    if (!terminal) {
        ask(prompt,
            QStringLiteral(
                "The Comm Window is not available.\r\nOpen the Comm Window and Connect, then try again."),
            QStringLiteral("Comm Connection"), PromptIcon::Exclamation);
        return;
    }
    // A job running on the terminal keeps its link.
    if (const QString busy = terminal->link().busyText(); !busy.isEmpty()) {
        ask(prompt, busy, QStringLiteral("KorvoTerm Upgrader"), PromptIcon::Exclamation);
        return;
    }
    const QPointer<CommWindow> target(terminal);
    const FileDialogs *dialogs = &fileDialogs;
    Prompt *asker = &prompt;
    if (!launch.showBaudChange) {
        openWizard(parent, target, launch, dialogs, asker);
        return;
    }
    auto *notice = new BaudChangeDialog(true, parent);
    if (launch.showBaudChangeChanged)
        QObject::connect(notice, &BaudChangeDialog::showBaudChangeChanged, parent,
                         launch.showBaudChangeChanged);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setModal(true);
    QObject::connect(notice, &QDialog::finished, parent, [parent, target, launch, dialogs, asker] {
        openWizard(parent, target, launch, dialogs, asker);
    });
    notice->open();
}

} // namespace korvo
