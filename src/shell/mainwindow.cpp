#include "mainwindow.h"

#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "functionkeys/capturefile.h"
#include "settings/recentfiles.h"
#include "shell/aboutdialog.h"
#include "shell/capturecommands.h"
#include "shell/documentcommands.h"
#include "shell/exitsequence.h"
#include "shell/helpbrowser.h"
#include "shell/maintoolbar.h"
#include "shell/setupplacement.h"
#include "shell/toolicons.h"
#include "shell/toolwindows.h"
#include "shell/workspace.h"
#include "terminal/commwindow.h"
#include "ui/filedialogs.h"
#include "upgrade/upgradelauncher.h"

#include <QAction>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolBar>
#include <vector>

namespace korvo {

MainWindow::MainWindow(const ProgramOptions &options, Prompt &prompt, QWidget *parent,
                       ChildWindows::Factory factory, Clock &clock)
    : QMainWindow(parent), m_options(options), m_clock(clock), m_prompt(prompt), m_workspace(options),
      m_area(new QMdiArea(this)), m_capture(new CaptureFile(this)),
      m_menus(new MainMenus(menuBar(), options.factory, this)),
      m_toolBar(new MainToolBar(addToolBar(QStringLiteral("tbrKORVO")), this)),
      m_children(new ChildWindows(m_area, m_workspace.prefs(),
                                  factory ? std::move(factory) : CommandRouter::childFactory(this), this)),
      m_documents(new DocumentCommands(this, clock)), m_router(new CommandRouter(this, m_documents)),
      m_tools(new ToolWindows(this)), m_placement(new SetupPlacement(this, prefs().setup)),
      m_exit(new ExitSequence(this, m_documents, m_tools, m_placement))
{
    setObjectName(QStringLiteral("mdiKorvo_Term"));
    setWindowTitle(QStringLiteral("KorvoTerm"));
    // The tool windows this window hosts.
    const Command canItems[] = {Command::CanModule, Command::CanDongle, Command::CanMonitor};
    for (int i = 0; i < 3; ++i)
        setCommandHandler(canItems[i], [this, i] { m_tools->openCan(i); });
    setCommandHandler(Command::SpiCommunications, [this] { m_tools->showSpi(); });
    setCommandHandler(Command::Capture, [this] {
        runCaptureCommand(Command::Capture, *m_capture, m_fileDialogs, m_prompt, deviceFamily(), this);
    });
    setCommandHandler(Command::PauseCapture, [this] {
        runCaptureCommand(Command::PauseCapture, *m_capture, m_fileDialogs, m_prompt, deviceFamily(), this);
    });
    setCommandHandler(Command::StopCapture, [this] {
        runCaptureCommand(Command::StopCapture, *m_capture, m_fileDialogs, m_prompt, deviceFamily(), this);
    });
    setCommandHandler(Command::Upgrade, [this] {
        UpgradeLaunch launch;
        launch.factory = m_options.factory;
        launch.showBaudChange = prefs().setup.showBaudChange;
        launch.showBaudChangeChanged = [this](bool show) { prefs().setup.showBaudChange = show; };
        launch.lastFile = m_lastUpgradeFile;
        launch.fileChosen = [this](const QString &path) { m_lastUpgradeFile = path; };
        runUpgradeCommand(this, qobject_cast<CommWindow *>(childWidget(WindowKind::Terminal, m_active.comm)),
                          m_fileDialogs, m_prompt, launch);
    });
    setWindowIcon(drawnIcon(QStringLiteral("app")));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_area);

    connect(m_menus, &MainMenus::triggered, this, &MainWindow::runCommand);
    connect(m_menus, &MainMenus::recentChosen, m_documents, &DocumentCommands::openRecent);
    // The terminal tells of its new group, which refreshes the menu.
    connect(m_menus, &MainMenus::functionGroupChosen, m_router, &CommandRouter::selectFunctionGroup);
    connect(m_menus, &MainMenus::windowListAboutToShow, this,
            [this](QMenu *menu) { m_children->fillWindowList(menu, MainMenus::kWindowListStart); });
    connect(m_toolBar, &MainToolBar::triggered, this, &MainWindow::runCommand);
    connect(m_capture, &CaptureFile::stateChanged, this,
            [this] { showCaptureItems(*m_menus, *m_capture, m_active.kind == WindowKind::Terminal); });
    connect(m_area, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);
    refreshCommands();
}

MainWindow::~MainWindow()
{
    // The MDI area reports activation changes while its windows are torn down; nobody is listening by then.
    disconnect(m_area, nullptr, this, nullptr);
    // The children report to this window as their host, so they go while it is still whole.
    qDeleteAll(m_area->subWindowList());
}

HelpBrowser *MainWindow::helpBrowser() const
{
    return m_help;
}

AboutDialog *MainWindow::aboutDialog() const
{
    return m_about;
}

double MainWindow::dpi() const
{
    const QScreen *s = screen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

bool MainWindow::start()
{
    m_exit->startBegins();
    m_placement->placeByDefault();
    m_children->holdCaptions(true);
    openWorkspace();
    if (const QString document = m_workspace.takeStartDocument(); !document.isEmpty())
        m_documents->openDocument(document);
    // Showing activates the windows in turn: menus and toolbar follow only the one that stays active.
    m_loadingWorkspace = true;
    {
        // Showing the main window shows every child, and each child shown becomes the active one in turn;
        // the area re-stacks all its windows at every such change, which made the start grow with the square
        // of the windows. The area hears none of them: only the activation that follows counts.
        const QList<QMdiSubWindow *> subs = m_area->subWindowList();
        std::vector<QSignalBlocker> quiet;
        quiet.reserve(std::size_t(subs.size()));
        for (QMdiSubWindow *sub : subs)
            quiet.emplace_back(sub);
        m_placement->showStarted();
    }
    m_children->keepInReach();
    // Only a shown window can give the keyboard to the remembered child; until now the last window
    // created had it.
    if (QMdiSubWindow *sub = m_area->currentSubWindow())
        focusChild(sub);
    m_loadingWorkspace = false;
    if (QMdiSubWindow *sub = m_area->currentSubWindow())
        onSubWindowActivated(sub);
    m_children->holdCaptions(false);
    m_documents->offerRecoveryCopies();
    return m_exit->startEnds();
}

bool MainWindow::sessionEnding() const
{
    return m_exit->sessionEnding();
}

void MainWindow::focusChild(QMdiSubWindow *sub)
{
    m_area->setActiveSubWindow(sub);
    QWidget *child = sub->widget();
    for (QWidget *w = child->nextInFocusChain(); w && w != child; w = w->nextInFocusChain()) {
        if (child->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(child)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    child->setFocus(Qt::OtherFocusReason);
}

void MainWindow::openWorkspace()
{
    Workspace &workspace = m_workspace;
    const Preferences &state = workspace.prefs();
    m_active.doc = 0;
    m_active.comm = 0;
    // Menus, toolbar and recent files are brought up to date once, after the last window has opened.
    m_loadingWorkspace = true;
    m_area->setUpdatesEnabled(false);
    const bool keywordsRead = workspace.load();
    m_placement->apply();
    showRecentFiles(true);
    if (!keywordsRead)
        ask(m_prompt, QStringLiteral("Corrupted or missing .INI or .RW File"),
            QStringLiteral("Preference Setup"), PromptIcon::Critical);

    int firstEdit = 0;
    for (int n : workspace.editSlotsToOpen()) {
        QMdiSubWindow *sub = m_children->open(WindowKind::Edit, n);
        if (!sub)
            continue;
        m_documents->loadEditFile(n);
        if (firstEdit == 0 && !sub->isMinimized())
            firstEdit = n;
    }

    int firstComm = 0;
    for (int n : workspace.commSlotsToOpen()) {
        m_menus->setWindowCaption(QStringLiteral("&Window L%1").arg(n));
        if (!m_children->open(WindowKind::Terminal, n))
            continue;
        if (firstComm == 0 && state.commSlots[n].state != 1)
            firstComm = n;
        m_router->sizeCommWindow(n);
    }
    m_menus->setWindowCaption(QStringLiteral("&Window"));
    if (const int settled = workspace.settledActiveTerminal(firstComm))
        m_active.comm = settled;
    if (state.canWindow.state >= 1 && state.canWindow.state <= 3)
        m_tools->openCan(state.canWindow.state - 1);
    if (state.spi.visible)
        m_tools->showSpi();

    m_loadingWorkspace = false;
    m_area->setUpdatesEnabled(true);
    if (m_recentPending)
        showRecentFiles();
    if (firstComm)
        m_children->activate(WindowKind::Terminal, firstComm);
    else if (firstEdit)
        m_children->activate(WindowKind::Edit, firstEdit);
    if (!recordActiveChild(m_area->currentSubWindow()) && m_children->all().isEmpty())
        m_active.kind = WindowKind::None;
    refreshCommands();
}

QMdiSubWindow *MainWindow::loadNewComm()
{
    const int n = m_workspace.newCommSlot();
    if (n == 0) {
        ask(m_prompt, QStringLiteral("Too Many Comm Ports Selected"));
        return nullptr;
    }
    QMdiSubWindow *sub = m_children->open(WindowKind::Terminal, n);
    if (sub)
        m_area->setActiveSubWindow(sub);
    return sub;
}

QMdiSubWindow *MainWindow::newEditWindow(const QString &name)
{
    const int n = m_workspace.newEditSlot(name);
    QMdiSubWindow *sub = m_children->open(WindowKind::Edit, n);
    if (sub)
        m_area->setActiveSubWindow(sub);
    return sub;
}

bool MainWindow::closeChildren(bool closingApplication)
{
    QList<ChildSlot> closed;
    const bool all = m_children->closeAll(closingApplication, &closed);
    // A session that ends under us keeps them all: what did close comes back at the next start.
    if (!all && closingApplication && !m_exit->sessionEnding()) {
        for (const ChildSlot &gone : closed)
            m_workspace.releaseSlot(gone.kind, gone.slot);
    }
    return all;
}

QWidget *MainWindow::childWidget(WindowKind kind, int slot) const
{
    return slot > 0 ? m_children->widget(kind, slot) : nullptr;
}

void MainWindow::runCommand(Command command)
{
    m_router->run(command);
}

void MainWindow::setCommandHandler(Command command, CommandRouter::Handler handler)
{
    m_router->setHandler(command, std::move(handler));
}

QMdiSubWindow *MainWindow::addToolWindow(QWidget *window)
{
    QMdiSubWindow *sub = m_area->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->show();
    m_area->setActiveSubWindow(sub);
    return sub;
}

void MainWindow::notAvailable(const QString &name)
{
    ask(m_prompt, QStringLiteral("%1 is not available yet").arg(name), QStringLiteral("KorvoTerm"),
        PromptIcon::Information);
}

void MainWindow::showHelpTopic(Command topic)
{
    if (!m_help) {
        m_help = new HelpBrowser(prefs().browser, m_options.programDir, this);
        connect(m_help, &HelpBrowser::placementChanged, this,
                [this](const BrowserRecord &placement) { prefs().browser = placement; });
    }
    m_help->showPage(HelpBrowser::topicUrl(m_options.programDir, topic));
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::showAbout()
{
    if (!m_about)
        m_about = new AboutDialog(m_options.version, this);
    m_about->open();
}

void MainWindow::setDeviceTips(DeviceType device)
{
    const TransferMemory &transfer = m_router->transferMemory();
    const DeviceTips tips = deviceTips(device, transfer.toFile ? 2 : 1, transfer.fileName);
    setTip(Command::Upload, tips.upload);
    setTip(Command::Download, tips.download);
}

void MainWindow::savePreferences()
{
    QString error;
    if (!m_workspace.save(&error))
        ask(m_prompt, QStringLiteral("The preferences were not saved:\r\n") + error,
            QStringLiteral("Save Preferences"), PromptIcon::Exclamation);
}

void MainWindow::showRecentFiles(bool disableMissing)
{
    if (m_loadingWorkspace && !disableMissing) {
        m_recentPending = true;
        return;
    }
    m_recentPending = false;
    const Preferences &document = prefs();
    const bool kept = document.setup.remFileHistory != 0;
    m_menus->setRecentFiles(
        kept ? (disableMissing ? recentEntriesAsLoaded(document) : displayLastOpened(document))
             : QList<RecentEntry>(),
        kept);
}

void MainWindow::addRecentFile(const QString &path)
{
    if (addToLastOpen(prefs(), path))
        showRecentFiles();
}

void MainWindow::reopenRecentFile(int entry)
{
    if (reopenLastOpened(prefs(), entry))
        showRecentFiles();
}

void MainWindow::setEnabled(Command command, bool enabled)
{
    if (enabled)
        m_reported.insert(command);
    else
        m_reported.remove(command);
    applyEnabled(command);
}

void MainWindow::applyEnabled(Command command)
{
    const CommandInfo &info = commandInfo(command);
    const bool reported = m_reported.contains(command);
    if (QAction *item = m_menus->action(command))
        item->setEnabled(commandAppliesTo(command, m_active.kind) && (!(info.flags & Reported) || reported));
    if (QAction *button = m_toolBar->button(command))
        button->setEnabled(reported);
}

void MainWindow::setTip(Command command, const QString &tip)
{
    m_toolBar->setTip(command, tip);
}

void MainWindow::showTerminalMenu(const QPoint &globalPos, bool canCopy)
{
    m_menus->execTerminalMenu(globalPos, canCopy, this);
}

void MainWindow::showEditMenu(const QPoint &globalPos)
{
    // The menu bar's own menu, so that its items (Preferences and Save Preferences too) run as they do there.
    m_menus->menu(MenuId::Edit)->popup(globalPos);
}

void MainWindow::childActivated(WindowKind kind, int slot)
{
    m_active.kind = kind;
    (kind == WindowKind::Edit ? m_active.doc : m_active.comm) = slot;
}

void MainWindow::childClosed(WindowKind kind, int slot)
{
    if (kind != WindowKind::Edit)
        return;
    for (QMdiSubWindow *sub : m_children->all()) {
        const ChildWindow *c = ChildWindows::child(sub);
        if (c->kind() == WindowKind::Edit && c->slot() != slot)
            return;
    }
    // The last document is gone.
    m_active.doc = 0;
}

DeviceType MainWindow::deviceFamily() const
{
    return activeDeviceFamily(prefs(), m_active.comm);
}

void MainWindow::onSubWindowActivated(QMdiSubWindow *sub)
{
    if (m_loadingWorkspace)
        return;
    // A double click on a terminal's "comm", "device" or "can" panel opens its communication settings.
    if (auto *comm = sub ? qobject_cast<CommWindow *>(sub->widget()) : nullptr) {
        comm->hooks().openPreferences = [this] { m_router->getOptions(PreferencesRequest::CommSettings); };
        // The "FuncGrps" menu follows the group however the terminal changes it.
        connect(comm, &CommWindow::functionGroupChanged, this, &MainWindow::refreshCommands,
                Qt::UniqueConnection);
        m_router->terminalActivated(*comm);
    }
    if (!recordActiveChild(sub)) {
        // Only an empty workspace has no active window; a dialog taking the focus leaves it as it was.
        if (!m_children->all().isEmpty())
            return;
        m_active = ActiveChild{};
    }
    refreshCommands();
}

bool MainWindow::recordActiveChild(QMdiSubWindow *sub)
{
    const ChildWindow *c = ChildWindows::child(sub);
    if (!c)
        return false;
    childActivated(c->kind(), c->slot());
    return true;
}

void MainWindow::refreshCommands()
{
    m_reported.clear();
    m_menus->showMenusFor(m_active.kind);
    m_menus->setTerminalActive(m_active.kind == WindowKind::Terminal);
    if (m_active.kind == WindowKind::Terminal && m_active.comm > 0) {
        const CommWindowSettings &slot = prefs().commSlots[m_active.comm];
        m_menus->setFunctionGroups(slot.fKeyEn ? slot.groupNames : QStringList(), slot.fGroup);
        setDeviceTips(slot.device);
    } else {
        m_menus->setFunctionGroups({}, 0);
    }
    ChildWindow *active = ChildWindows::child(m_area->currentSubWindow());
    if (!active && m_active.kind == WindowKind::None) {
        // With no window open only new documents and terminals make sense.
        m_reported.insert(Command::FileNew);
        m_reported.insert(Command::FileOpen);
    }
    for (const CommandInfo &info : commandTable())
        applyEnabled(info.command);
    // After the table's rule, which knows nothing of capture being on.
    showCaptureItems(*m_menus, *m_capture, m_active.kind == WindowKind::Terminal);
    if (active)
        active->updateCommands(*this);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshCommands();
}

SpiCommWindow *MainWindow::spiWindow() const
{
    return m_tools->spi();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_exit->closeRequested())
        event->accept();
    else
        event->ignore();
}

} // namespace korvo
