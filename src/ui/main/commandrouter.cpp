#include "commandrouter.h"

#include "app/atomicfile.h"
#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "app/texthelpers.h"
#include "comm/commwindow.h"
#include "editor/editwindow.h"
#include "filedialogs.h"
#include "mainwindow.h"
#include "openeditdialog.h"
#include "printing.h"
#include "recentfiles.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace korvo {

namespace {
const QString kUntitled = QStringLiteral("Program");

QString extensionTag(const QString &path)
{
    const QString name = fileNameOnly(path);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1).toUpper();
}
} // namespace

CommandRouter::CommandRouter(MainWindow *window) : QObject(window), m_window(window) {}

ChildWindows::Factory CommandRouter::childFactory()
{
    return [](WindowKind kind, int) -> QWidget * {
        if (kind == WindowKind::Edit)
            return new EditWindow;
        return new CommWindow;
    };
}

EditWindow *CommandRouter::activeEdit() const
{
    const AppState &state = app();
    if (state.activeKind != WindowKind::Edit)
        return nullptr;
    return qobject_cast<EditWindow *>(m_window->childWidget(WindowKind::Edit, state.activeDoc));
}

CommWindow *CommandRouter::activeComm() const
{
    const AppState &state = app();
    if (state.activeKind != WindowKind::Terminal)
        return nullptr;
    return qobject_cast<CommWindow *>(m_window->childWidget(WindowKind::Terminal, state.activeComm));
}

void CommandRouter::fileCommand(int index)
{
    switch (index) {
    case 0:
        newFile();
        break;
    case 1:
        openFile();
        break;
    case 2:
        saveFile();
        break;
    case 3:
        saveAs();
        break;
    case 4:
        print();
        break;
    case 6:
        loadPreferences();
        break;
    case 8:
        m_window->close();
        break;
    default:
        if (index >= MainMenus::kFirstRecent)
            openRecent(index - MainMenus::kFirstRecent);
        break;
    }
}

void CommandRouter::newFile(bool inNewWindow)
{
    CommWindow *comm = inNewWindow ? nullptr : activeComm();
    if (comm) {
        if (comm->hasText()) {
            const PromptAnswer answer =
                ask(QStringLiteral("Save Terminal Contents to a File?"), QStringLiteral("Save Comm Screen"),
                    PromptIcon::Question, PromptButtons::YesNoCancel);
            if (answer == PromptAnswer::Cancel)
                return;
            if (answer == PromptAnswer::Yes)
                saveAs();
        }
        comm->clearCommWindow();
        return;
    }
    EditWindow *edit = inNewWindow ? nullptr : activeEdit();
    const int family = activeDeviceFamily();
    const QString proposed = edit ? edit->fileName()
                                  : QStringLiteral("Program%1%2")
                                        .arg(app().findNext(WindowKind::Edit))
                                        .arg(deviceExtension(family));
    OpenEditDialog dialog(proposed, edit == nullptr, family, m_window);
    dialog.exec();
    const QString name = dialog.fileName();
    if (name.isEmpty())
        return;
    if (!edit && inNewWindow)
        // "Create New Window" unticked: the last active document is replaced after all.
        edit = qobject_cast<EditWindow *>(m_window->childWidget(WindowKind::Edit, app().activeDoc));
    if (edit && !dialog.newWindow()) {
        if (!edit->checkSave())
            return;
    } else {
        QMdiSubWindow *sub = m_window->newEditWindow(name);
        edit = sub ? qobject_cast<EditWindow *>(sub->widget()) : nullptr;
        if (!edit)
            return;
    }
    if (QFileInfo::exists(name)) {
        addToLastOpen(name);
        edit->openEditFile(name);
    } else {
        edit->newDocument(name);
        edit->setModified(false);
    }
    edit->setFileType(extensionTag(name));
}

bool CommandRouter::saveBeforeReplacing(EditWindow *edit)
{
    if (!edit->isModified())
        return true;
    const PromptAnswer answer = ask(QStringLiteral("Save changes to File?"), QStringLiteral("Save Changes"),
                                    PromptIcon::Question, PromptButtons::YesNoCancel);
    if (answer == PromptAnswer::Cancel)
        return false;
    if (answer == PromptAnswer::Yes)
        saveFile();
    return true;
}

void CommandRouter::openFile()
{
    if (CommWindow *comm = activeComm()) {
        if (!comm->isConnected()) {
            ask(QStringLiteral("Aborting OPEN\r\nCOMM Port is not Connected!"),
                QStringLiteral("Comm Connection"), PromptIcon::Critical);
            return;
        }
        const std::optional<QString> path = getFile(FileDialogKind::SendFile, activeDeviceFamily(),
                                                    app().upDnFileName, FileDialogMode::Open, m_window);
        if (path)
            openCommFile(*path);
        return;
    }
    EditWindow *edit = activeEdit();
    if (edit && !saveBeforeReplacing(edit))
        return;
    const std::optional<QString> path =
        getFile(FileDialogKind::ProgramFile, activeDeviceFamily(), edit ? edit->fileName() : QString(),
                FileDialogMode::Open, m_window);
    if (!path)
        return;
    if (!edit) {
        QMdiSubWindow *sub = m_window->newEditWindow(*path);
        edit = sub ? qobject_cast<EditWindow *>(sub->widget()) : nullptr;
        if (!edit)
            return;
    }
    addToLastOpen(*path);
    edit->openEditFile(*path);
}

void CommandRouter::saveFile()
{
    EditWindow *edit = activeEdit();
    if (!edit)
        return;
    if (edit->fileName() == kUntitled) {
        edit->saveAs();
        return;
    }
    // Only this command keeps the previous file as a backup; Save as and the save prompt do not.
    edit->saveEditFile(edit->fileName(), KeepBackup::Yes);
}

void CommandRouter::saveAs()
{
    if (EditWindow *edit = activeEdit()) {
        edit->saveAs();
        return;
    }
    CommWindow *comm = activeComm();
    if (!comm)
        return;
    const bool scrollBack =
        ask(QStringLiteral("Include Scroll Back Lines?"), QStringLiteral("Save Comm Screen"),
            PromptIcon::Question, PromptButtons::YesNo) == PromptAnswer::Yes;
    const std::optional<QString> path =
        getFile(FileDialogKind::CaptureFile, activeDeviceFamily(), QString(), FileDialogMode::Save, m_window);
    if (!path)
        return;
    AtomicFile file(*path);
    if (!file.write(comm->terminalText(scrollBack).toLocal8Bit()))
        ask(file.errorString(), QStringLiteral("Save Comm Screen"), PromptIcon::Critical);
}

void CommandRouter::print()
{
    if (EditWindow *edit = activeEdit())
        edit->print();
    else if (CommWindow *comm = activeComm())
        printTerminal(comm->printSource(), m_window);
}

bool CommandRouter::choosePreferencesFile()
{
    const std::optional<QString> path = getFile(FileDialogKind::PreferencesFile, activeDeviceFamily(),
                                                app().prefFile, FileDialogMode::Open, m_window);
    if (!path)
        return false;
    app().prefFile = *path;
    return true;
}

void CommandRouter::loadPreferences()
{
    if (!choosePreferencesFile())
        return;
    // The windows of the old workspace go as if the user closed them; the new file says what opens.
    if (!m_window->children()->closeAll())
        return;
    m_window->openWorkspace();
}

void CommandRouter::openRecent(int entry)
{
    const QStringList &recent = app().recentFiles;
    if (entry < 0 || entry >= recent.size())
        return;
    const QString path = recent.at(entry);
    if (activeComm()) {
        reopenLastOpened(entry);
        openCommFile(path);
        return;
    }
    EditWindow *edit = activeEdit();
    if (edit && !saveBeforeReplacing(edit))
        return;
    reopenLastOpened(entry);
    if (!edit) {
        QMdiSubWindow *sub = m_window->newEditWindow(path);
        edit = sub ? qobject_cast<EditWindow *>(sub->widget()) : nullptr;
        if (!edit)
            return;
    }
    edit->openEditFile(path);
    edit->setModified(false);
}

void CommandRouter::openCommFile(const QString &path)
{
    // The file is the download source for this one transfer; the chosen target comes back afterwards.
    AppState &state = app();
    const int16_t kind = state.upDnTargetKind;
    const QString file = state.upDnFileName;
    state.upDnTargetKind = 2;
    state.upDnFileName = path;
    m_window->uploadDownload(true);
    state.upDnTargetKind = kind;
    state.upDnFileName = file;
}

void CommandRouter::editCommand(int index)
{
    EditWindow *edit = activeEdit();
    switch (index) {
    case 13:
        m_window->getOptions(1);
        return;
    case 15:
        m_window->savePreferences();
        return;
    case 16:
        m_window->savePreferencesAs();
        return;
    default:
        break;
    }
    if (!edit)
        return;
    switch (index) {
    case 0:
        edit->undo();
        break;
    case 1:
        edit->redo();
        break;
    case 3:
        edit->cut();
        break;
    case 4:
        edit->copy();
        break;
    case 5:
        edit->paste();
        break;
    case 6:
        edit->deleteSelection();
        break;
    case 7:
        edit->selectAll();
        break;
    case 9:
        edit->find();
        break;
    case 10:
        edit->findNext();
        break;
    case 11:
        edit->replace();
        break;
    default:
        break;
    }
}

void CommandRouter::commCommand(int index)
{
    switch (index) {
    case 9:
        m_window->getOptions(2);
        return;
    case 11:
        m_window->savePreferences();
        return;
    case 12:
        m_window->savePreferencesAs();
        return;
    default:
        break;
    }
    CommWindow *comm = activeComm();
    if (!comm)
        return;
    switch (index) {
    case 0:
        comm->copySelection();
        break;
    case 1:
        comm->pasteClipboard();
        break;
    case 2:
        comm->selectAll();
        break;
    case 4:
        comm->connectComm(true);
        break;
    case 5:
        comm->connectComm(false);
        break;
    case 7:
        sizeCommWindow(comm->slot());
        break;
    default:
        break;
    }
}

void CommandRouter::toolCommand(const QString &key)
{
    static const QHash<QString, int> fileItems{{"new", 0}, {"open", 1}, {"save", 2}, {"print", 4}};
    if (fileItems.contains(key)) {
        fileCommand(fileItems.value(key));
        return;
    }
    if (key == QLatin1String("props")) {
        m_window->getOptions(app().activeKind == WindowKind::Terminal ? 2 : 1);
        return;
    }
    if (EditWindow *edit = activeEdit()) {
        if (key == QLatin1String("cut"))
            edit->cut();
        else if (key == QLatin1String("copy"))
            edit->copy();
        else if (key == QLatin1String("paste"))
            edit->paste();
        return;
    }
    CommWindow *comm = activeComm();
    if (!comm)
        return;
    if (key == QLatin1String("cut") || key == QLatin1String("copy"))
        comm->copySelection();
    else if (key == QLatin1String("paste"))
        comm->pasteClipboard();
    else if (key == QLatin1String("con"))
        comm->connectComm(true);
    else if (key == QLatin1String("discon"))
        comm->connectComm(false);
    else if (key == QLatin1String("clear"))
        comm->clearCommWindow();
    else if (key == QLatin1String("snap"))
        sizeCommWindow(comm->slot());
}

void CommandRouter::selectFunctionGroup(int group)
{
    if (CommWindow *comm = activeComm())
        comm->setFunctionGroup(group);
}

void CommandRouter::loadEditFile(int slot)
{
    auto *edit = qobject_cast<EditWindow *>(m_window->childWidget(WindowKind::Edit, slot));
    if (!edit)
        return;
    const QString name = app().editSlots[slot].name;
    if (name == kUntitled)
        return;
    edit->openEditFile(name);
    // A document that was never saved has no file to offer in the recent list.
    if (app().setup.remFileHistory && QFileInfo::exists(name))
        addToLastOpen(name);
}

void CommandRouter::sizeCommWindow(int slot)
{
    if (auto *comm = qobject_cast<CommWindow *>(m_window->childWidget(WindowKind::Terminal, slot)))
        comm->sizeCommWindow();
}

void CommandRouter::layoutCommWindow(int slot)
{
    if (auto *comm = qobject_cast<CommWindow *>(m_window->childWidget(WindowKind::Terminal, slot)))
        comm->layoutWindow();
}

bool CommandRouter::isConnected(int slot) const
{
    auto *comm = qobject_cast<CommWindow *>(m_window->childWidget(WindowKind::Terminal, slot));
    return comm && comm->isConnected();
}

} // namespace korvo
