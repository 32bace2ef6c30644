#include "editwindow.h"

#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "app/texthelpers.h"
#include "editor/editinput.h"
#include "editor/editorlook.h"
#include "editor/editstatusbar.h"
#include "editor/languageset.h"
#include "editor/programfile.h"
#include "ui/captiontext.h"
#include "ui/filedialogs.h"
#include "ui/printing.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QVBoxLayout>

namespace korvo {

namespace {
const QString kUntitled = QStringLiteral("Program");
} // namespace

EditWindow::EditWindow(int slot, EditSlot &record, const EditWindowSettings &settings,
                       const FileDialogs &fileDialogs, Prompt &prompt, CommandHost &host, QWidget *parent)
    : QWidget(parent), m_slot(slot), m_record(record), m_settings(settings), m_fileDialogs(fileDialogs),
      m_prompt(prompt), m_host(host), m_editor(new QsciScintilla(this)), m_status(new EditStatusBar(this)),
      m_look(m_editor, settings.languages), m_search(*this, m_editor)
{
    m_editor->setUtf8(true);
    m_editor->setEolMode(QsciScintilla::EolWindows);
    m_editor->setMarginWidth(1, 0);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETIDLESTYLING, QsciScintillaBase::SC_IDLESTYLING_NONE);
    // The horizontal scroll range follows the widest line shown so far instead of a fixed width.
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTH, 1UL);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETSCROLLWIDTHTRACKING, 1UL);
    m_input = std::make_unique<EditInput>(*this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_editor, 1);
    layout->addWidget(m_status);

    connect(m_editor, &QsciScintilla::modificationChanged, this, &EditWindow::modificationChanged);
    connect(m_editor, &QsciScintilla::modificationChanged, this, &EditWindow::documentChanged);
    connect(m_editor, &QsciScintilla::textChanged, this, &EditWindow::documentChanged);
    connect(m_editor, &QsciScintilla::cursorPositionChanged, m_status, &EditStatusBar::setCaret);
    connect(m_editor, &QsciScintilla::selectionChanged, this, [this] { setupEditMenu(m_host); });

    m_record.modified = false;
    m_host.childActivated(WindowKind::Edit, m_slot);
    updateCaption();
    // The look waits for the first show: most windows are given a file, and its kind, before that.
    m_look.defer(loadLanguage());
    enableEditToolBar(m_host);
}

EditWindow::~EditWindow() = default;

void EditWindow::updateCommands(CommandHost &host)
{
    enableEditToolBar(host);
    setupEditMenu(host);
}

void EditWindow::activate()
{
    m_host.childActivated(WindowKind::Edit, m_slot);
    updateCommands(m_host);
}

void EditWindow::enableEditToolBar(CommandHost &host)
{
    for (Command command : {Command::FileNew, Command::FileOpen, Command::FilePrint, Command::Preferences})
        host.setEnabled(command, true);
    host.setEnabled(Command::FileSave, isModified());
    for (Command command : {Command::Connect, Command::Disconnect, Command::Upload, Command::Download,
                            Command::Clear, Command::Snap})
        host.setEnabled(command, false);
}

void EditWindow::setupEditMenu(CommandHost &host)
{
    const bool selected = m_editor->hasSelectedText();
    const bool clipboardText = !QApplication::clipboard()->text().isEmpty();
    host.setEnabled(Command::Undo, m_editor->isUndoAvailable());
    host.setEnabled(Command::Redo, m_editor->isRedoAvailable());
    for (Command command : {Command::Cut, Command::Copy, Command::Delete})
        host.setEnabled(command, selected);
    host.setEnabled(Command::Paste, clipboardText);
    for (Command command : {Command::SelectAll, Command::Find, Command::FindNext, Command::Replace})
        host.setEnabled(command, true);
}

void EditWindow::openEditFile(const QString &path)
{
    if (path.isEmpty())
        return;
    m_loading = true;
    m_record.name = path;
    setFileType(extensionTag(path));
    QByteArray utf8;
    if (QFileInfo::exists(path)) {
        QString error;
        if (!readProgramFileUtf8(path, &utf8, &error))
            ask(m_prompt, QStringLiteral("Cannot open %1: %2").arg(path, error), QStringLiteral("Open File"),
                PromptIcon::Critical);
    }
    setDocumentBytes(utf8);
    // The caret to the start, the view to the top left: without scrolling to the caret, which would lay the
    // first line out before the editor is even shown.
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETEMPTYSELECTION, 0UL);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0UL);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETXOFFSET, 0UL);
    m_loading = false;
    updateCaption();
}

void EditWindow::setFileType(const QString &tag)
{
    const DeviceType kind = fileKindForTag(tag);
    m_record.fileKind = kind;
    m_look.apply(kind);
}

DeviceType EditWindow::loadLanguage()
{
    const DeviceType kind = m_record.fileKind;
    LanguageSets &languages = m_settings.languages;
    languages.loadKeyWords(kind, m_settings.styles, m_settings.programDir);
    if (kind != PlainText)
        languages.loadKeyWords(UKorvo, m_settings.styles, m_settings.programDir);
    return kind;
}

void EditWindow::setEditor()
{
    setFileType(deviceFileTag(loadLanguage()));
}

void EditWindow::newDocument(const QString &name)
{
    m_loading = true;
    m_record.name = name;
    setDocumentBytes(QByteArray());
    m_loading = false;
    updateCaption();
}

void EditWindow::setDocumentText(const QString &text, bool modified)
{
    setDocumentBytes(text.toUtf8());
    if (modified)
        setModified(true);
}

void EditWindow::setDocumentBytes(const QByteArray &utf8)
{
    const bool wasLoading = m_loading;
    m_loading = true;
    // No undo history for a freshly loaded document; collecting it would also double the load time.
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0UL);
    // Appending with a length keeps a NUL byte in a file, which would end a plain string.
    m_editor->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
    m_editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()),
                            utf8.constData());
    m_editor->SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 1UL);
    m_editor->setModified(false);
    m_loading = wasLoading;
    m_record.modified = false;
    updateCaption();
    enableEditToolBar(m_host);
}

void EditWindow::appendText(const QString &text)
{
    // The editor's change notice for an insertion costs as much as the text before it (the widget counts
    // the characters up to the insertion point), which would make every line appended to a long upload
    // slower than the last: the notices are held back for the append and the change is told once.
    const QByteArray utf8 = text.toUtf8();
    const long notices = m_editor->SendScintilla(QsciScintillaBase::SCI_GETMODEVENTMASK);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0UL);
    m_editor->SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()),
                            utf8.constData());
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, static_cast<unsigned long>(notices));
    emit documentChanged();
}

void EditWindow::beginUpload()
{
    const bool wasModified = isModified();
    const bool wasLoading = std::exchange(m_loading, true);
    m_editor->SendScintilla(QsciScintillaBase::SCI_BEGINUNDOACTION);
    m_editor->SendScintilla(QsciScintillaBase::SCI_CLEARALL);
    // A modified text must come back modified: the save point goes to the emptied state inside the
    // upload's step, where no Undo or Redo can land.
    if (wasModified)
        m_editor->SendScintilla(QsciScintillaBase::SCI_SETSAVEPOINT);
    m_loading = wasLoading;
    markModified(wasModified || m_editor->isModified());
}

void EditWindow::endUpload()
{
    m_editor->SendScintilla(QsciScintillaBase::SCI_ENDUNDOACTION);
    setupEditMenu(m_host);
}

QString EditWindow::documentText() const
{
    // The buffer itself, with its length: text() would stop at a NUL byte.
    const long length = m_editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    const auto *bytes = static_cast<const char *>(
        m_editor->SendScintillaPtrResult(QsciScintillaBase::SCI_GETCHARACTERPOINTER));
    return bytes ? QString::fromUtf8(bytes, length) : QString();
}

bool EditWindow::isModified() const
{
    return m_record.modified;
}

void EditWindow::setModified(bool modified)
{
    if (!modified)
        m_editor->setModified(false);
    markModified(modified);
}

void EditWindow::markModified(bool modified)
{
    if (m_record.modified == modified)
        return;
    m_record.modified = modified;
    updateCaption();
    enableEditToolBar(m_host);
    setupEditMenu(m_host);
}

QString EditWindow::fileName() const
{
    return m_record.name;
}

QString EditWindow::selectedText() const
{
    return m_editor->selectedText();
}

void EditWindow::modificationChanged(bool modified)
{
    if (m_loading)
        return;
    enableEditToolBar(m_host);
    markModified(modified);
}

void EditWindow::updateCaption()
{
    const int available = std::max(0, (frame() ? frame()->width() : this->width()) - 120);
    QString caption = displayName(fileName(), kUntitled, m_settings.setup);
    if (m_settings.setup.fullName != 0)
        caption = compactPath(caption, fontMetrics(), available);
    if (isModified())
        caption += QStringLiteral(" *");
    setWindowTitle(caption);
}

bool EditWindow::saveEditFile(const QString &path, KeepBackup backup)
{
    QString error;
    // A file that cannot be written leaves the document modified and says nothing, like the save it replaces.
    if (!writeProgramFile(path, programFileBytes(editorLines(documentText())), backup, &error))
        return false;
    setModified(false);
    return true;
}

bool EditWindow::saveAs()
{
    const std::optional<QString> path = m_fileDialogs.getFile(
        FileDialogKind::ProgramFile, m_host.deviceFamily(), fileName(), FileDialogMode::Save, this);
    if (!path || !saveEditFile(*path))
        return false;
    m_record.name = *path;
    emit savedAs(*path);
    m_loading = true;
    setFileType(extensionTag(*path));
    m_loading = false;
    updateCaption();
    return true;
}

bool EditWindow::checkSave()
{
    if (!isModified())
        return true;
    const QString name = fileName();
    switch (ask(m_prompt, QStringLiteral("Save Changes to ") + name + QStringLiteral("?"),
                QStringLiteral("Save Changes"), PromptIcon::Question, PromptButtons::YesNoCancel)) {
    case PromptAnswer::Yes:
        if (name == kUntitled) {
            m_host.childActivated(WindowKind::Edit, m_slot);
            saveAs();
        } else {
            saveEditFile(name);
        }
        return true;
    case PromptAnswer::Cancel:
        return false;
    default:
        return true;
    }
}

void EditWindow::undo()
{
    if (!m_editor->isUndoAvailable())
        return;
    // The modified mark follows the editor's save point.
    m_editor->undo();
    setupEditMenu(m_host);
}

void EditWindow::redo()
{
    if (m_editor->isRedoAvailable())
        m_editor->redo();
    setupEditMenu(m_host);
}

void EditWindow::cut()
{
    m_editor->cut();
}

void EditWindow::copy()
{
    m_editor->copy();
    setupEditMenu(m_host);
}

void EditWindow::paste()
{
    m_editor->paste();
}

void EditWindow::deleteSelection()
{
    m_editor->removeSelectedText();
}

void EditWindow::selectAll()
{
    m_editor->selectAll(true);
}

bool EditWindow::overwriteMode() const
{
    return m_editor->overwriteMode();
}

void EditWindow::toggleOverwrite()
{
    m_editor->setOverwriteMode(!m_editor->overwriteMode());
    m_status->setOverwrite(m_editor->overwriteMode());
}

QString EditWindow::statusText(int panel) const
{
    return m_status->panelText(panel);
}

void EditWindow::print()
{
    m_look.ensure();
    printEditWindow(m_editor, this);
}

void EditWindow::bringToFront()
{
    QWidget *outer = frame() ? frame() : this;
    if (outer->isMinimized())
        outer->showNormal();
    else
        outer->show();
    outer->raise();
}

QWidget *EditWindow::frame() const
{
    return qobject_cast<QMdiSubWindow *>(parentWidget());
}

void EditWindow::closeEvent(QCloseEvent *event)
{
    if (!checkSave()) {
        event->ignore();
        return;
    }
    EditSlot &record = m_record;
    if (closingApplication()) {
        // The workspace reopens the window as it was.
        const Qt::WindowStates states = (frame() ? frame() : this)->windowState();
        record.state = states & Qt::WindowMinimized ? 1 : states & Qt::WindowMaximized ? 2 : 0;
    } else {
        record.state = kSlotFree;
    }
    m_host.childClosed(WindowKind::Edit, m_slot);
    event->accept();
}

void EditWindow::showEvent(QShowEvent *event)
{
    m_look.ensure();
    QWidget::showEvent(event);
}

void EditWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!(windowState() & Qt::WindowMinimized))
        updateCaption();
}

} // namespace korvo
