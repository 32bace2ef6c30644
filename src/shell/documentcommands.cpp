#include "documentcommands.h"

#include "app/atomicfile.h"
#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "app/recoverystore.h"
#include "app/texthelpers.h"
#include "editor/editwindow.h"
#include "shell/activechild.h"
#include "shell/childwindows.h"
#include "shell/mainwindow.h"
#include "shell/openeditdialog.h"
#include "terminal/commwindow.h"
#include "ui/filedialogs.h"
#include "ui/printing.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace korvo {

namespace {
const QString kUntitled = QStringLiteral("Program");
} // namespace

DocumentCommands::DocumentCommands(MainWindow *window, Clock &clock)
    : QObject(window), m_window(window),
      m_recoveryTimer(clock.createTimer([this] { refreshRecoveryCopies(); }))
{
}

DocumentCommands::~DocumentCommands() = default;

EditWindow *DocumentCommands::targetEditWindow(EditWindow *active, const QString &name)
{
    if (active)
        return active;
    QMdiSubWindow *sub = m_window->newEditWindow(name);
    return sub ? qobject_cast<EditWindow *>(sub->widget()) : nullptr;
}

void DocumentCommands::newFile(bool inNewWindow)
{
    CommWindow *comm = inNewWindow ? nullptr : activeCommWindow(*m_window);
    if (comm) {
        if (comm->hasText()) {
            const PromptAnswer answer =
                ask(m_window->prompt(), QStringLiteral("Save Terminal Contents to a File?"),
                    QStringLiteral("Save Comm Screen"), PromptIcon::Question, PromptButtons::YesNoCancel);
            if (answer == PromptAnswer::Cancel)
                return;
            if (answer == PromptAnswer::Yes)
                saveAs();
        }
        comm->clearCommWindow();
        return;
    }
    EditWindow *edit = inNewWindow ? nullptr : activeEditWindow(*m_window);
    const DeviceType family = m_window->deviceFamily();
    const QString proposed = edit ? edit->fileName()
                                  : QStringLiteral("Program%1%2")
                                        .arg(m_window->prefs().findNext(WindowKind::Edit))
                                        .arg(deviceExtension(family));
    OpenEditDialog dialog(proposed, edit == nullptr, family, m_window->fileDialogs(), m_window);
    dialog.exec();
    const QString name = dialog.fileName();
    if (name.isEmpty())
        return;
    if (!edit && inNewWindow)
        // "Create New Window" unticked: the last active document is replaced after all.
        edit = editWindow(*m_window, m_window->active().doc);
    if (edit && !dialog.newWindow()) {
        if (!edit->checkSave())
            return;
    } else {
        edit = targetEditWindow(nullptr, name);
        if (!edit)
            return;
    }
    if (QFileInfo::exists(name)) {
        m_window->addRecentFile(name);
        edit->openEditFile(name);
    } else {
        edit->newDocument(name);
        edit->setModified(false);
    }
    edit->setFileType(extensionTag(name));
}

bool DocumentCommands::saveBeforeReplacing(EditWindow *edit)
{
    if (!edit->isModified())
        return true;
    const PromptAnswer answer =
        ask(m_window->prompt(), QStringLiteral("Save changes to File?"), QStringLiteral("Save Changes"),
            PromptIcon::Question, PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::Cancel)
        return false;
    if (answer == PromptAnswer::Yes)
        saveFile();
    return true;
}

void DocumentCommands::openFile()
{
    if (CommWindow *comm = activeCommWindow(*m_window)) {
        if (!comm->isConnected()) {
            ask(m_window->prompt(), QStringLiteral("Aborting OPEN\r\nCOMM Port is not Connected!"),
                QStringLiteral("Comm Connection"), PromptIcon::Critical);
            return;
        }
        const std::optional<QString> path = m_window->fileDialogs().getFile(
            FileDialogKind::SendFile, m_window->deviceFamily(), m_window->router()->transferMemory().fileName,
            FileDialogMode::Open, m_window);
        if (path)
            openCommFile(*path);
        return;
    }
    EditWindow *edit = activeEditWindow(*m_window);
    if (edit && !saveBeforeReplacing(edit))
        return;
    const std::optional<QString> path =
        m_window->fileDialogs().getFile(FileDialogKind::ProgramFile, m_window->deviceFamily(),
                                        edit ? edit->fileName() : QString(), FileDialogMode::Open, m_window);
    if (!path)
        return;
    edit = targetEditWindow(edit, *path);
    if (!edit)
        return;
    m_window->addRecentFile(*path);
    edit->openEditFile(*path);
}

void DocumentCommands::saveFile()
{
    EditWindow *edit = activeEditWindow(*m_window);
    if (!edit)
        return;
    if (edit->fileName() == kUntitled) {
        edit->saveAs();
        return;
    }
    // Saving backs the old file up itself, only once the new content is safely written.
    // Only this command keeps the previous file as a backup; Save as and the save prompt do not.
    edit->saveEditFile(edit->fileName(), KeepBackup::Yes);
}

void DocumentCommands::saveAs()
{
    if (EditWindow *edit = activeEditWindow(*m_window)) {
        edit->saveAs();
        return;
    }
    CommWindow *comm = activeCommWindow(*m_window);
    if (!comm)
        return;
    const bool scrollBack = ask(m_window->prompt(), QStringLiteral("Include Scroll Back Lines?"),
                                QStringLiteral("Save Comm Screen"), PromptIcon::Question,
                                PromptButtons::YesNo) == PromptAnswer::Yes;
    const std::optional<QString> path = m_window->fileDialogs().getFile(
        FileDialogKind::CaptureFile, m_window->deviceFamily(), QString(), FileDialogMode::Save, m_window);
    if (!path)
        return;
    AtomicFile file(*path);
    if (!file.write(comm->terminalText(scrollBack).toLocal8Bit()))
        ask(m_window->prompt(), file.errorString(), QStringLiteral("Save Comm Screen"), PromptIcon::Critical);
}

void DocumentCommands::print()
{
    if (EditWindow *edit = activeEditWindow(*m_window))
        edit->print();
    else if (CommWindow *comm = activeCommWindow(*m_window))
        printTerminal(comm->printSource(), m_window->prompt(), m_window);
}

QString DocumentCommands::choosePreferencesFile(FileDialogMode mode)
{
    const std::optional<QString> path =
        m_window->fileDialogs().getFile(FileDialogKind::PreferencesFile, m_window->deviceFamily(),
                                        m_window->workspace().prefFile(), mode, m_window);
    return path.value_or(QString());
}

void DocumentCommands::savePreferencesAs()
{
    const QString path = choosePreferencesFile(FileDialogMode::Save);
    if (path.isEmpty())
        return;
    m_window->workspace().setPrefFile(path);
    m_window->savePreferences();
}

void DocumentCommands::loadPreferences()
{
    const QString path = choosePreferencesFile(FileDialogMode::Open);
    // Until every question is answered the old file stays the one that is saved to.
    if (path.isEmpty() || !m_window->children()->mayAllClose() || !settleDocuments())
        return;
    // The windows of the old workspace go as if the user closed them; the new file says what opens.
    if (!m_window->closeChildren(false))
        return;
    m_window->workspace().setPrefFile(path);
    m_window->openWorkspace();
}

bool DocumentCommands::settleDocuments()
{
    QList<EditWindow *> discarded;
    for (QMdiSubWindow *sub : m_window->children()->all()) {
        auto *edit = qobject_cast<EditWindow *>(sub->widget());
        if (!edit)
            continue;
        // The user answers for a document they can see: its window comes to the front first.
        if (edit->isModified()) {
            if (sub->isMinimized())
                sub->showNormal();
            m_window->mdiArea()->setActiveSubWindow(sub);
        }
        if (!edit->checkSave())
            return false;
        if (edit->isModified())
            discarded.append(edit);
    }
    for (EditWindow *edit : discarded)
        edit->setModified(false);
    return true;
}

bool DocumentCommands::keepRecoveryCopies()
{
    // What is kept now stays for the next start.
    m_recoveryTimer.reset();
    return writeRecoveryCopies(true);
}

void DocumentCommands::noteDocumentChange()
{
    // Armed by the first change only: steady typing is kept every kRecoveryDelayMs, not postponed.
    if (m_recoveryTimer && !m_recoveryTimer->isActive())
        m_recoveryTimer->start(kRecoveryDelayMs);
}

void DocumentCommands::refreshRecoveryCopies()
{
    if (m_recoveryTimer) {
        m_recoveryTimer->stop();
        writeRecoveryCopies(false);
    }
}

bool DocumentCommands::writeRecoveryCopies(bool markUnmodified)
{
    bool kept = true;
    QSet<int> keeping;
    for (QMdiSubWindow *sub : m_window->children()->all()) {
        auto *edit = qobject_cast<EditWindow *>(sub->widget());
        if (!edit || !edit->isModified())
            continue;
        // A copy that cannot be rewritten is still better than none.
        keeping.insert(edit->slot());
        QString error;
        if (!m_recovery.keep(edit->slot(), edit->fileName(), edit->documentText(), &error)) {
            if (!m_recoveryFailed)
                qWarning("Unsaved text of %s could not be kept: %s", qPrintable(edit->fileName()),
                         qPrintable(error));
            kept = false;
        } else if (markUnmodified) {
            // Its text is safe; the closing session may drop the window without asking.
            edit->setModified(false);
        }
    }
    for (const int slot : std::as_const(m_kept))
        if (!keeping.contains(slot))
            m_recovery.forget(slot);
    m_kept = keeping;
    m_recoveryFailed = !kept;
    return kept;
}

void DocumentCommands::offerRecoveryCopies()
{
    for (const RecoveredDocument &document : m_recovery.documents()) {
        const PromptAnswer answer =
            ask(m_window->prompt(),
                QStringLiteral("Unsaved changes to %1 were kept when the last session ended.\r\n"
                               "Open them in a new window?")
                    .arg(QDir::toNativeSeparators(document.name)),
                QStringLiteral("Recovered Document"), PromptIcon::Question, PromptButtons::YesNo);
        // A session that ends while the question is open keeps the copies for the next start.
        if (m_window->sessionEnding())
            return;
        if (answer == PromptAnswer::Yes) {
            EditWindow *edit = targetEditWindow(nullptr, document.name);
            if (!edit)
                continue;
            edit->setFileType(extensionTag(document.name));
            // Still unsaved: the user decides where it goes.
            edit->setDocumentText(document.text, true);
        }
        m_recovery.discard(document);
    }
}

void DocumentCommands::openRecent(int entry)
{
    const QStringList &recent = m_window->prefs().recentFiles;
    if (entry < 0 || entry >= recent.size())
        return;
    const QString path = recent.at(entry);
    if (activeCommWindow(*m_window)) {
        m_window->reopenRecentFile(entry);
        openCommFile(path);
        return;
    }
    EditWindow *edit = activeEditWindow(*m_window);
    if (edit && !saveBeforeReplacing(edit))
        return;
    m_window->reopenRecentFile(entry);
    edit = targetEditWindow(edit, path);
    if (!edit)
        return;
    edit->openEditFile(path);
    edit->setModified(false);
}

void DocumentCommands::openCommFile(const QString &path)
{
    // The file is the download source for this one transfer; the chosen target comes back afterwards.
    m_window->router()->transferOnce(Command::Download, path);
}

void DocumentCommands::openDocument(const QString &path)
{
    const auto &records = m_window->prefs().editSlots;
    for (int n = 1; n < static_cast<int>(records.size()); ++n) {
        if (records[n].name == path && editWindow(*m_window, n)) {
            m_window->children()->activate(WindowKind::Edit, n);
            return;
        }
    }
    EditWindow *edit = targetEditWindow(nullptr, path);
    if (!edit)
        return;
    if (QFileInfo::exists(path))
        m_window->addRecentFile(path);
    edit->openEditFile(path);
    edit->setModified(false);
}

void DocumentCommands::loadEditFile(int slot)
{
    EditWindow *edit = editWindow(*m_window, slot);
    if (!edit)
        return;
    const QString name = m_window->prefs().editSlots[slot].name;
    if (name == kUntitled)
        return;
    edit->openEditFile(name);
    // A document that was never saved has no file to offer in the recent list.
    if (m_window->prefs().setup.remFileHistory && QFileInfo::exists(name))
        m_window->addRecentFile(name);
}

} // namespace korvo
