#include "commandrouter.h"

#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "app/programoptions.h"
#include "app/prompt.h"
#include "app/twips.h"
#include "editor/editwindow.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "preferences/preferencesrunner.h"
#include "shell/activechild.h"
#include "shell/documentcommands.h"
#include "shell/helpbrowser.h"
#include "shell/mainwindow.h"
#include "terminal/commwindow.h"
#include "tools/findcommdialog.h"
#include "tools/linemonitorwindow.h"
#include "tools/ramviewerwindow.h"
#include "transfer/transferdialog.h"
#include "ui/windowplace.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace korvo {

CommandRouter::CommandRouter(MainWindow *window, DocumentCommands *documents)
    : QObject(window), m_window(window), m_documents(documents)
{
    bindHandlers();
}

ChildWindows::Factory CommandRouter::childFactory(MainWindow *window)
{
    return [window](WindowKind kind, int slot) -> QWidget * {
        Preferences &prefs = window->prefs();
        const QString &programDir = window->options().programDir;
        if (kind == WindowKind::Terminal) {
            prefs.ensureCommSlot(slot);
            return new CommWindow(slot, prefs.commSlots[size_t(slot)], window->clock(), systemLinkFactory(),
                                  window->capture(), window->fileDialogs(), window->prompt(), *window,
                                  programDir);
        }
        prefs.ensureEditSlot(slot);
        auto *edit = new EditWindow(slot, prefs.editSlots[size_t(slot)],
                                    {prefs.setup, prefs.styles, window->workspace().languages(), programDir},
                                    window->fileDialogs(), window->prompt(), *window);
        QObject::connect(edit, &EditWindow::savedAs, window, &MainWindow::addRecentFile);
        // Typing reaches the recovery copies a while later; a closed window's copy goes then.
        DocumentCommands *documents = &window->documents();
        QObject::connect(edit, &EditWindow::documentChanged, documents,
                         &DocumentCommands::noteDocumentChange);
        QObject::connect(edit, &QObject::destroyed, documents, &DocumentCommands::noteDocumentChange);
        return edit;
    };
}

template <typename EditCall, typename CommCall>
void CommandRouter::bindChild(Command command, EditCall edit, CommCall comm)
{
    setHandler(command, [this, edit, comm] {
        if (EditWindow *e = activeEditWindow(*m_window)) {
            if constexpr (!std::is_same_v<EditCall, std::nullptr_t>)
                (e->*edit)();
        } else if (CommWindow *c = activeCommWindow(*m_window)) {
            if constexpr (!std::is_same_v<CommCall, std::nullptr_t>)
                (c->*comm)();
        }
    });
}

void CommandRouter::bindHandlers()
{
    DocumentCommands *d = m_documents;
    MainWindow *w = m_window;
    setHandler(Command::FileNew, [d] { d->newFile(); });
    setHandler(Command::FileOpen, [d] { d->openFile(); });
    setHandler(Command::FileSave, [d] { d->saveFile(); });
    setHandler(Command::FileSaveAs, [d] { d->saveAs(); });
    setHandler(Command::FilePrint, [d] { d->print(); });
    setHandler(Command::LoadPreferences, [d] { d->loadPreferences(); });
    setHandler(Command::Exit, [w] { w->close(); });

    bindChild(Command::Undo, &EditWindow::undo, nullptr);
    bindChild(Command::Redo, &EditWindow::redo, nullptr);
    // A terminal's text cannot be removed: its toolbar Cut copies.
    bindChild(Command::Cut, &EditWindow::cut, &CommWindow::copySelection);
    bindChild(Command::Copy, &EditWindow::copy, &CommWindow::copySelection);
    bindChild(Command::Paste, &EditWindow::paste, &CommWindow::pasteClipboard);
    bindChild(Command::Delete, &EditWindow::deleteSelection, nullptr);
    bindChild(Command::SelectAll, &EditWindow::selectAll, nullptr);
    bindChild(Command::Find, &EditWindow::find, nullptr);
    bindChild(Command::FindNext, &EditWindow::findNext, nullptr);
    bindChild(Command::Replace, &EditWindow::replace, nullptr);
    setHandler(Command::Preferences, [this] { getOptions(); });
    setHandler(Command::SavePreferences, [w] { w->savePreferences(); });
    setHandler(Command::SavePreferencesAs, [d] { d->savePreferencesAs(); });

    bindChild(Command::CommCopy, nullptr, &CommWindow::copySelection);
    bindChild(Command::CommPaste, nullptr, &CommWindow::pasteClipboard);
    bindChild(Command::CommSelectAll, nullptr, &CommWindow::selectAll);
    setHandler(Command::Connect, [w] {
        if (CommWindow *c = activeCommWindow(*w))
            c->connectComm(true);
    });
    setHandler(Command::Disconnect, [w] {
        if (CommWindow *c = activeCommWindow(*w))
            c->connectComm(false);
    });
    bindChild(Command::Snap, nullptr, &CommWindow::sizeCommWindow);
    bindChild(Command::Clear, nullptr, &CommWindow::clearCommWindow);

    setHandler(Command::NewEditWindow, [d] { d->newFile(true); });
    setHandler(Command::NewTerminalWindow, [this] { newTerminalWindow(); });
    setHandler(Command::FindCommSettings, [this] { findCommSettings(); });
    setHandler(Command::RamViewer, [this] { toggleRamViewer(); });
    setHandler(Command::LineMonitor, [this] { toggleLineMonitor(); });
    // Verify reads the device as an upload does, so it passes the upload's gate.
    for (const auto &[c, kind] : {std::pair{Command::Upload, TransferJob::Kind::Upload},
                                  std::pair{Command::Download, TransferJob::Kind::Download},
                                  std::pair{Command::Verify, TransferJob::Kind::Verify}}) {
        setHandler(c, [this, kind] {
            if (passesTransferGate(kind == TransferJob::Kind::Download))
                openTransfer(kind);
        });
    }

    for (Command c :
         {Command::TileHorizontally, Command::TileVertically, Command::Cascade, Command::ArrangeIcons})
        setHandler(c, [this, c] { arrange(c); });
    for (Command c : HelpBrowser::kTopics)
        setHandler(c, [w, c] { w->showHelpTopic(c); });
    setHandler(Command::About, [w] { w->showAbout(); });
}

void CommandRouter::transferOnce(Command command, const QString &file)
{
    restoreTransferTarget();
    m_targetBeforeOnce = m_transfer;
    m_transfer.toFile = true;
    m_transfer.fileName = file;
    run(command);
    auto *dialog = m_window->findChild<TransferDialog *>(QString(), Qt::FindDirectChildrenOnly);
    // Refused at the gate, or the dialog busy with another job: nothing will use the file.
    if (!m_onceOpened || !dialog || dialog->isRunning())
        restoreTransferTarget();
}

void CommandRouter::restoreTransferTarget()
{
    if (!m_targetBeforeOnce)
        return;
    m_transfer.toFile = m_targetBeforeOnce->toFile;
    m_transfer.fileName = m_targetBeforeOnce->fileName;
    m_targetBeforeOnce.reset();
    m_onceOpened = false;
}

void CommandRouter::openTransfer(TransferJob::Kind kind)
{
    auto *open = m_window->findChild<TransferDialog *>(QString(), Qt::FindDirectChildrenOnly);
    // Opened again after a one-off file without a job on it: the target chosen before is back.
    if (m_onceOpened && !(open && open->isRunning()))
        restoreTransferTarget();
    TransferSetup setup;
    setup.memory = m_transfer;
    setup.editWindows = m_window->prefs().countWindows(WindowKind::Edit);
    setup.programDir = m_window->options().programDir;
    TransferDialog *dialog = TransferDialog::open(
        m_window, m_window->fileDialogs(), m_window->prompt(), kind, activeCommWindow(*m_window),
        qobject_cast<EditWindow *>(m_window->childWidget(WindowKind::Edit, m_window->active().doc)), setup);
    connect(dialog, &TransferDialog::memoryChanged, this, &CommandRouter::setTransferMemory,
            Qt::UniqueConnection);
    connect(dialog, &TransferDialog::jobEnded, this, &CommandRouter::restoreTransferTarget,
            Qt::UniqueConnection);
    m_onceOpened = m_targetBeforeOnce.has_value();
}

void CommandRouter::setHandler(Command command, Handler handler)
{
    m_handlers.insert(command, std::move(handler));
}

void CommandRouter::run(Command command)
{
    // A shortcut or a caller may ask for a command whose window is not the active one.
    if (!commandAppliesTo(command, m_window->active().kind))
        return;
    const auto found = m_handlers.constFind(command);
    if (found != m_handlers.cend()) {
        (*found)();
        return;
    }
    // A tool whose window is not built yet: its item does not stay checked.
    if (QAction *item = m_window->menus()->action(command); item && item->isCheckable())
        item->setChecked(false);
    m_window->notAvailable(commandName(command));
}

void CommandRouter::newTerminalWindow()
{
    if (QMdiSubWindow *sub = m_window->loadNewComm())
        sizeCommWindow(ChildWindows::child(sub)->slot());
}

void CommandRouter::findCommSettings()
{
    QAction *item = m_window->menus()->action(Command::FindCommSettings);
    CommWindow *comm = activeCommWindow(*m_window);
    // A job running on the terminal keeps its link.
    const QString busy = comm ? comm->link().busyText() : QString();
    if (!busy.isEmpty())
        ask(m_window->prompt(), busy, QStringLiteral("Find Comm. Settings"), PromptIcon::Exclamation);
    if (!comm || !busy.isEmpty()) {
        item->setChecked(false);
        return;
    }
    item->setChecked(true);
    FindCommDialog dialog(comm->link(), m_window->prompt(), m_window);
    dialog.exec();
    item->setChecked(false);
    m_window->refreshCommands();
}

void CommandRouter::toggleRamViewer()
{
    QAction *item = m_window->menus()->action(Command::RamViewer);
    CommWindow *comm = activeCommWindow(*m_window);
    const bool open = m_ramViewer && m_ramViewer->isVisible();
    if (open || !comm || (comm->settings().device != Veltor && comm->settings().device != Fendra)) {
        if (m_ramViewer)
            m_ramViewer->close();
        item->setChecked(false);
        return;
    }
    if (!m_ramViewer) {
        m_ramViewer = new RamViewerWindow(m_window);
        m_ramViewer->setAttribute(Qt::WA_DeleteOnClose);
        // The viewer comes back where it was last closed ([RAM Viewer], twips on the screen).
        const double dpi = m_window->dpi();
        const QRect stored = pixelRectOf(m_window->prefs().ramViewer, dpi);
        const QSize size = stored.width() > 50 && stored.height() > 50 ? stored.size() : m_ramViewer->size();
        placeTopLevel(m_ramViewer, storedCorner(stored.x(), stored.y()).value_or(overClientArea(m_window)),
                      size);
        connect(m_ramViewer, &RamViewerWindow::closing, this, [this, dpi](const QRect &geometry) {
            storePixelRect(m_window->prefs().ramViewer, geometry, dpi);
        });
        connect(m_ramViewer, &QObject::destroyed, item, [item] { item->setChecked(false); });
    }
    m_ramViewer->setTerminal(&comm->link());
    m_ramViewer->show();
    item->setChecked(true);
}

void CommandRouter::terminalActivated(CommWindow &comm)
{
    if (m_lineMonitor)
        m_lineMonitor->setTerminal(&comm.link());
}

void CommandRouter::toggleLineMonitor()
{
    QAction *item = m_window->menus()->action(Command::LineMonitor);
    CommWindow *comm = activeCommWindow(*m_window);
    if ((m_lineMonitor && m_lineMonitor->isVisible()) || !comm) {
        if (m_lineMonitor)
            m_lineMonitor->close();
        item->setChecked(false);
        return;
    }
    if (!m_lineMonitor) {
        m_lineMonitor =
            new LineMonitorWindow(m_window->clock(), m_window->fileDialogs(), m_window->prompt(), m_window);
        m_lineMonitor->setAttribute(Qt::WA_DeleteOnClose);
        placeTopLevel(m_lineMonitor, overClientArea(m_window), m_lineMonitor->size());
        connect(m_lineMonitor, &QObject::destroyed, item, [item] { item->setChecked(false); });
    }
    m_lineMonitor->setTerminal(&comm->link());
    m_lineMonitor->show();
    item->setChecked(true);
}

void CommandRouter::getOptions(std::optional<PreferencesRequest> request)
{
    // Without a request the page follows the active window: the terminal's format for a terminal, the text
    // editor otherwise.
    const PreferencesRequest page = request ? *request
                                    : m_window->active().kind == WindowKind::Terminal
                                        ? PreferencesRequest::TerminalFormat
                                        : PreferencesRequest::TextEditor;
    PreferencesHost host;
    host.windows = [this] {
        QList<QWidget *> windows;
        for (QMdiSubWindow *sub : m_window->mdiArea()->subWindowList())
            windows << sub->widget();
        return windows;
    };
    host.historyChanged = [this] { m_window->showRecentFiles(); };
    host.save = [this] { m_window->savePreferences(); };
    host.ports = &systemLinkFactory();
    runPreferences(page, {m_window->prefs(), m_window->active().comm}, host, m_applyTo, systemClock(),
                   m_window->prompt(), m_window);
    m_window->refreshCommands();
}

void CommandRouter::arrange(Command command)
{
    ChildWindows *children = m_window->children();
    if (command == Command::TileHorizontally)
        children->arrange(ArrangeMode::TileHorizontally);
    else if (command == Command::TileVertically)
        children->arrange(ArrangeMode::TileVertically);
    else if (command == Command::Cascade)
        children->arrange(ArrangeMode::Cascade);
    else
        children->arrangeIcons();
    // Terminals lay their screen out again for their new size.
    for (QMdiSubWindow *sub : children->all()) {
        const ChildWindow *c = ChildWindows::child(sub);
        if (c->kind() == WindowKind::Terminal && !sub->isMinimized())
            layoutCommWindow(c->slot());
    }
}

bool CommandRouter::passesTransferGate(bool download) const
{
    const int slot = m_window->active().comm;
    if (!commWindow(*m_window, slot)) {
        ask(m_window->prompt(),
            QStringLiteral(
                "The Comm Window is not available.\r\nOpen the Comm Window and Connect, then try again."),
            QStringLiteral("Comm Connection"), PromptIcon::Exclamation);
        return false;
    }
    if (download && m_window->prefs().commSlots[slot].device == DeviceType::Hmi) {
        ask(m_window->prompt(), QStringLiteral("Download not available for HMI"),
            QStringLiteral("Upload/Download"), PromptIcon::Exclamation);
        return false;
    }
    if (!isConnected(slot)) {
        ask(m_window->prompt(), QStringLiteral("COMM Port is not Connected!"),
            QStringLiteral("Comm Connection"), PromptIcon::Exclamation);
        return false;
    }
    return true;
}

void CommandRouter::selectFunctionGroup(int group)
{
    if (CommWindow *comm = activeCommWindow(*m_window))
        comm->setFunctionGroup(group);
}

void CommandRouter::sizeCommWindow(int slot)
{
    if (CommWindow *comm = commWindow(*m_window, slot))
        comm->sizeCommWindow();
}

void CommandRouter::layoutCommWindow(int slot)
{
    if (CommWindow *comm = commWindow(*m_window, slot))
        comm->layoutWindow();
}

bool CommandRouter::isConnected(int slot) const
{
    const CommWindow *comm = commWindow(*m_window, slot);
    return comm && comm->isConnected();
}

} // namespace korvo
