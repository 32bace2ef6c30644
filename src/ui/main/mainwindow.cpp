#include "mainwindow.h"

#include "aboutdialog.h"
#include "app/clock.h"
#include "app/devicecatalogue.h"
#include "app/prompt.h"
#include "can/canconfigwindow.h"
#include "comm/commwindow.h"
#include "comm/transferdialog.h"
#include "commandrouter.h"
#include "editor/editwindow.h"
#include "editor/languageset.h"
#include "helpbrowser.h"
#include "maintoolbar.h"
#include "recentfiles.h"
#include "settings/prefsfile.h"
#include "shutdownsignals.h"
#include "toolicons.h"
#include "tools/findcommdialog.h"
#include "tools/preferencesrunner.h"
#include "tools/ramviewerwindow.h"
#include "twips.h"
#include "upgrade/upgradelauncher.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QToolBar>

namespace korvo {

namespace {
constexpr int kNewWindowOffsetTwips = 350;

// A new window's slot: the template slot 0, shown, moved down and right by 350 twips per slot number.
template <typename Slot> Slot fromTemplate(const std::vector<Slot> &table, int n)
{
    Slot slot = table[0];
    slot.state = slot.state < 0 ? 0 : slot.state;
    slot.top += kNewWindowOffsetTwips * (n - 1);
    slot.left += kNewWindowOffsetTwips * (n - 1);
    return slot;
}

// Answers every question of a closing session without waiting for anyone: nothing is saved over a file
// that the user did not ask to save, and no dialog holds the shutdown up.
class SessionEndPrompt final : public Prompt
{
public:
    PromptAnswer ask(const PromptRequest &request) override
    {
        switch (request.buttons) {
        case PromptButtons::YesNo:
        case PromptButtons::YesNoCancel:
            return PromptAnswer::No;
        case PromptButtons::OkCancel:
        case PromptButtons::Ok:
            break;
        }
        return PromptAnswer::Ok;
    }
};
} // namespace

MainWindow::MainWindow(QWidget *parent, ChildWindows::Factory factory)
    : QMainWindow(parent), m_area(new QMdiArea(this)), m_menus(new MainMenus(menuBar(), this)),
      m_toolBar(new MainToolBar(addToolBar(QStringLiteral("tbrKORVO")), this)),
      m_children(
          new ChildWindows(m_area, factory ? std::move(factory) : CommandRouter::childFactory(), this)),
      m_router(new CommandRouter(this)), m_signals(new ShutdownSignals(this))
{
    setObjectName(QStringLiteral("mdiKorvo_Term"));
    setWindowTitle(QStringLiteral("KorvoTerm"));
    setWindowIcon(drawnIcon(QStringLiteral("app")));
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_area);
    setCommandHost(this);
    setRecentFilesChanged([this] { showRecentFiles(); });

    connect(m_menus, &MainMenus::triggered, this, &MainWindow::runMenu);
    connect(m_menus, &MainMenus::upgradeTriggered, this, &MainWindow::upgrade);
    connect(m_menus, &MainMenus::aboutTriggered, this, &MainWindow::showAbout);
    connect(m_menus, &MainMenus::windowListAboutToShow, this, &MainWindow::fillWindowMenu);
    connect(m_toolBar, &MainToolBar::triggered, this, &MainWindow::toolCommand);
    connect(m_area, &QMdiArea::subWindowActivated, this, &MainWindow::onSubWindowActivated);
    connect(m_signals, &ShutdownSignals::shutdownRequested, this, &MainWindow::endSession);
}

MainWindow::~MainWindow()
{
    // The MDI area reports activation changes while its windows are torn down; nobody is listening by then.
    disconnect(m_area, nullptr, this, nullptr);
    if (&commandHost() == this)
        setCommandHost(nullptr);
    setRecentFilesChanged({});
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

void MainWindow::start()
{
    // Until the preferences place it, the window takes the top-left three quarters of the screen.
    if (const QScreen *s = screen()) {
        const QRect available = s->availableGeometry();
        setGeometry(QRect(available.topLeft(), available.size() * 3 / 4));
    }
    openWorkspace();
    m_started = true;
    const int16_t state = app().setup.state;
    // A window that was minimised at exit comes back normal: the user just started it.
    if (state == 2)
        showMaximized();
    else
        showNormal();
    // Only a shown window can give the keyboard to the remembered child; until now the last window
    // created had it.
    if (QMdiSubWindow *sub = m_area->currentSubWindow())
        focusChild(sub);
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
    AppState &state = app();
    // Menus, toolbar and recent files are brought up to date once, after the last window has opened.
    m_loadingWorkspace = true;
    m_area->setUpdatesEnabled(false);
    state.resetSlots();
    state.recentFiles.clear();
    readIniFile(state);
    applySetupPlacement();
    showRecentFiles(true);

    bool keywordsFailed = false;
    for (int device : {1, 4, 5, 6, 0})
        keywordsFailed = loadKeyWords(device) || keywordsFailed;
    if (keywordsFailed)
        ask(QStringLiteral("Corrupted or missing .INI or .RW File"), QStringLiteral("Preference Setup"),
            PromptIcon::Critical);

    int firstEdit = 0;
    for (int n = 1; n <= state.docCt && n < static_cast<int>(state.editSlots.size()); ++n) {
        if (state.editSlots[n].state < 0)
            continue;
        QMdiSubWindow *sub = m_children->open(WindowKind::Edit, n);
        if (!sub)
            continue;
        m_router->loadEditFile(n);
        if (firstEdit == 0 && !sub->isMinimized())
            firstEdit = n;
    }

    int firstComm = 0;
    for (int n = 1; n <= state.commCt && n < static_cast<int>(state.commSlots.size()); ++n) {
        CommWindowSettings &slot = state.commSlots[n];
        if (slot.state < 0)
            continue;
        m_menus->setWindowCaption(QStringLiteral("&Window L%1").arg(n));
        if (slot.autoName)
            slot.name = QStringLiteral("Terminal %1").arg(n);
        if (!m_children->open(WindowKind::Terminal, n))
            continue;
        if (firstComm == 0 && state.commSlots[n].state != 1)
            firstComm = n;
        m_router->sizeCommWindow(n);
    }
    m_menus->setWindowCaption(QStringLiteral("&Window"));
    if (state.countWindows(WindowKind::Terminal) > 0)
        state.activeComm = static_cast<int16_t>(firstComm ? firstComm : state.commCt);
    // The SPI window is not part of this version; its saved record stays in the file.
    if (state.canWindow.state >= 1 && state.canWindow.state <= 3)
        openCanWindow(state.canWindow.state - 1);

    m_loadingWorkspace = false;
    m_area->setUpdatesEnabled(true);
    if (m_recentPending)
        showRecentFiles();
    if (firstComm)
        m_children->activate(WindowKind::Terminal, firstComm);
    else if (firstEdit)
        m_children->activate(WindowKind::Edit, firstEdit);
    if (!recordActiveChild(m_area->currentSubWindow()) && m_children->all().isEmpty())
        state.activeKind = WindowKind::None;
    refreshCommands();
}

QMdiSubWindow *MainWindow::loadNewComm()
{
    AppState &state = app();
    const int n = state.findNext(WindowKind::Terminal);
    if (n > kMaxTerminals) {
        ask(QStringLiteral("Too Many Comm Ports Selected"));
        return nullptr;
    }
    if (n > state.commCt)
        state.commCt = static_cast<int16_t>(n);
    state.ensureCommSlot(n);
    CommWindowSettings slot = fromTemplate(state.commSlots, n);
    slot.port = static_cast<int16_t>(n);
    slot.portName.clear();
    slot.connected = false;
    if (slot.autoName)
        slot.name = QStringLiteral("Terminal %1").arg(n);
    state.commSlots[n] = slot;
    QMdiSubWindow *sub = m_children->open(WindowKind::Terminal, n);
    if (sub)
        m_area->setActiveSubWindow(sub);
    return sub;
}

QMdiSubWindow *MainWindow::newEditWindow(const QString &name)
{
    AppState &state = app();
    const int n = state.findNext(WindowKind::Edit);
    if (n > state.docCt)
        state.docCt = static_cast<int16_t>(n);
    state.ensureEditSlot(n);
    EditSlot slot = fromTemplate(state.editSlots, n);
    slot.name = name;
    slot.modified = false;
    state.editSlots[n] = slot;
    QMdiSubWindow *sub = m_children->open(WindowKind::Edit, n);
    if (sub)
        m_area->setActiveSubWindow(sub);
    return sub;
}

QWidget *MainWindow::childWidget(WindowKind kind, int slot) const
{
    return slot > 0 ? m_children->widget(kind, slot) : nullptr;
}

void MainWindow::fileCommand(int index)
{
    m_router->fileCommand(index);
}

void MainWindow::runMenu(MenuId menu, int index)
{
    switch (menu) {
    case MenuId::File:
        m_router->fileCommand(index);
        break;
    case MenuId::Edit:
        m_router->editCommand(index);
        break;
    case MenuId::Comm:
        m_router->commCommand(index);
        break;
    case MenuId::View:
        viewCommand(index);
        break;
    case MenuId::Can:
        openCanWindow(index);
        break;
    case MenuId::Transfer:
        if (index == 0 || index == 1)
            uploadDownload(index == 1);
        else
            notAvailable(QStringLiteral("Capture"));
        break;
    case MenuId::Window:
        windowCommand(index);
        break;
    case MenuId::Help:
        showHelpTopic(index);
        break;
    case MenuId::FuncGroups:
        m_router->selectFunctionGroup(index);
        refreshCommands();
        break;
    }
}

void MainWindow::toolCommand(const QString &key)
{
    if (key == QLatin1String("upld") || key == QLatin1String("dnld"))
        uploadDownload(key == QLatin1String("dnld"));
    else
        m_router->toolCommand(key);
}

void MainWindow::openCanWindow(int index)
{
    // One CAN window at a time: choosing an item while it is open brings it to the front.
    const auto checkOpenTarget = [this] {
        for (int i = 0; i < 3; ++i)
            m_menus->item(MenuId::Can, i)->setChecked(m_can && int(m_can->target()) == i);
    };
    if (!m_can) {
        AppState &state = app();
        int n = state.activeKind == WindowKind::Terminal ? state.activeComm : 0;
        if (n == 0 && state.countWindows(WindowKind::Terminal) == 0)
            loadNewComm();
        for (int slot = 1; n == 0 && slot <= state.commCt; ++slot)
            if (childWidget(WindowKind::Terminal, slot))
                n = slot;
        auto *terminal = qobject_cast<CommWindow *>(childWidget(WindowKind::Terminal, n));
        if (!terminal)
            return;
        m_can = new CanConfigWindow(CanTarget(index), terminal->link(), this);
        connect(m_can, &CanConfigWindow::closed, this, checkOpenTarget, Qt::QueuedConnection);
        connect(terminal, &QObject::destroyed, m_can, &QWidget::close);
        m_can->show();
    }
    m_can->raise();
    m_can->activateWindow();
    checkOpenTarget();
}

void MainWindow::viewCommand(int index)
{
    switch (index) {
    case 0:
        m_router->newFile(true);
        break;
    case 1:
        if (QMdiSubWindow *sub = loadNewComm())
            m_router->sizeCommWindow(ChildWindows::child(sub)->slot());
        break;
    case 5:
        m_menus->item(MenuId::View, 5)->setChecked(false);
        notAvailable(QStringLiteral("SPI Communications"));
        break;
    case 7:
        findCommSettings();
        break;
    case 9:
        toggleRamViewer();
        break;
    default:
        break;
    }
}

void MainWindow::windowCommand(int index)
{
    switch (index) {
    case 0:
        m_children->arrange(ArrangeMode::TileHorizontally);
        break;
    case 1:
        m_children->arrange(ArrangeMode::TileVertically);
        break;
    case 2:
        m_children->arrange(ArrangeMode::Cascade);
        break;
    default:
        m_children->arrangeIcons();
        break;
    }
    // Terminals lay their screen out again for their new size.
    for (QMdiSubWindow *sub : m_children->all()) {
        const ChildWindow *c = ChildWindows::child(sub);
        if (c->kind() == WindowKind::Terminal && !sub->isMinimized())
            m_router->layoutCommWindow(c->slot());
    }
}

void MainWindow::fillWindowMenu(QMenu *menu)
{
    QList<QAction *> actions = menu->actions();
    for (int i = MainMenus::kWindowListStart; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        actions[i]->deleteLater();
    }
    const QList<QMdiSubWindow *> subs = m_children->all();
    if (subs.isEmpty())
        return;
    menu->addSeparator();
    int number = 1;
    for (QMdiSubWindow *sub : subs) {
        QString title = sub->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction *entry =
            menu->addAction(number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title) : title);
        entry->setCheckable(true);
        entry->setChecked(sub == m_area->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (!sub)
                return;
            if (sub->isMinimized())
                sub->showNormal();
            m_area->setActiveSubWindow(sub);
        });
        ++number;
    }
}

void MainWindow::uploadDownload(bool download)
{
    const AppState &state = app();
    const int slot = state.activeComm;
    if (!childWidget(WindowKind::Terminal, slot)) {
        ask(QStringLiteral(
                "The Comm Window is not available.\r\nOpen the Comm Window and Connect, then try again."),
            QStringLiteral("Comm Connection"), PromptIcon::Exclamation);
        return;
    }
    if (download && state.commSlots[slot].device == DeviceType::Hmi) {
        ask(QStringLiteral("Download not available for HMI"), QStringLiteral("Upload/Download"),
            PromptIcon::Exclamation);
        return;
    }
    if (!m_router->isConnected(slot)) {
        ask(QStringLiteral("COMM Port is not Connected!"), QStringLiteral("Comm Connection"),
            PromptIcon::Exclamation);
        return;
    }
    TransferDialog::open(this, download, qobject_cast<CommWindow *>(childWidget(WindowKind::Terminal, slot)),
                         qobject_cast<EditWindow *>(childWidget(WindowKind::Edit, state.activeDoc)));
}

void MainWindow::upgrade()
{
    runUpgradeCommand(this, qobject_cast<CommWindow *>(childWidget(WindowKind::Terminal, app().activeComm)));
}

void MainWindow::findCommSettings()
{
    QAction *item = m_menus->item(MenuId::View, 7);
    CommWindow *comm = m_router->activeComm();
    if (!comm) {
        item->setChecked(false);
        return;
    }
    item->setChecked(true);
    FindCommDialog dialog(comm->link(), this);
    dialog.exec();
    item->setChecked(false);
    refreshCommands();
}

void MainWindow::toggleRamViewer()
{
    QAction *item = m_menus->item(MenuId::View, 9);
    CommWindow *comm = m_router->activeComm();
    const bool open = m_ramViewer && m_ramViewer->isVisible();
    if (open || !comm || (comm->settings().device != 4 && comm->settings().device != 5)) {
        if (m_ramViewer)
            m_ramViewer->close();
        item->setChecked(false);
        return;
    }
    if (!m_ramViewer) {
        m_ramViewer = new RamViewerWindow(this);
        m_ramViewer->setAttribute(Qt::WA_DeleteOnClose);
        // The viewer comes back where it was last closed ([RAM Viewer], twips on the screen).
        RamViewerRecord &place = app().ramViewer;
        const double dpi = screen()->logicalDotsPerInch();
        const QRect stored(twipsToPixels(place.left, dpi), twipsToPixels(place.top, dpi),
                           twipsToPixels(place.width, dpi), twipsToPixels(place.height, dpi));
        if (stored.width() > 50 && stored.height() > 50)
            m_ramViewer->setGeometry(stored);
        connect(m_ramViewer, &RamViewerWindow::closing, this, [this, dpi](const QRect &geometry) {
            RamViewerRecord &record = app().ramViewer;
            record.left = pixelsToTwips(geometry.x(), dpi);
            record.top = pixelsToTwips(geometry.y(), dpi);
            record.width = pixelsToTwips(geometry.width(), dpi);
            record.height = pixelsToTwips(geometry.height(), dpi);
        });
        connect(m_ramViewer, &QObject::destroyed, this, [item] { item->setChecked(false); });
    }
    m_ramViewer->setTerminal(&comm->link());
    m_ramViewer->show();
    item->setChecked(true);
}

void MainWindow::notAvailable(const QString &name)
{
    ask(QStringLiteral("%1 is not available yet").arg(name), QStringLiteral("KorvoTerm"),
        PromptIcon::Information);
}

void MainWindow::showHelpTopic(int topic)
{
    if (!m_help)
        m_help = new HelpBrowser(this);
    m_help->showPage(HelpBrowser::topicUrl(topic));
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void MainWindow::showAbout()
{
    if (!m_about)
        m_about = new AboutDialog(this);
    m_about->open();
}

void MainWindow::getOptions(int page)
{
    PreferencesHost host;
    host.windows = [this] {
        QList<QWidget *> windows;
        for (QMdiSubWindow *sub : m_area->subWindowList())
            windows << sub->widget();
        return windows;
    };
    host.historyChanged = [this] { showRecentFiles(); };
    runPreferences(page, host, systemClock(), this);
    refreshCommands();
}

void MainWindow::setDeviceTips(int device)
{
    const AppState &state = app();
    const DeviceTips tips = deviceTips(device, state.upDnTargetKind, state.upDnFileName);
    setToolTip(QStringLiteral("upld"), tips.upload);
    setToolTip(QStringLiteral("dnld"), tips.download);
}

void MainWindow::savePreferences()
{
    writeIniFile(app());
}

void MainWindow::savePreferencesAs()
{
    if (m_router->choosePreferencesFile())
        writeIniFile(app());
}

void MainWindow::showRecentFiles(bool disableMissing)
{
    if (m_loadingWorkspace && !disableMissing) {
        m_recentPending = true;
        return;
    }
    m_recentPending = false;
    const bool kept = app().setup.remFileHistory != 0;
    m_menus->setRecentFiles(
        kept ? (disableMissing ? recentEntriesAsLoaded() : displayLastOpened()) : QList<RecentEntry>(), kept);
}

void MainWindow::setToolEnabled(const QString &key, bool enabled)
{
    m_toolBar->setEnabled(key, enabled);
}

void MainWindow::setToolTip(const QString &key, const QString &tip)
{
    m_toolBar->setTip(key, tip);
}

void MainWindow::setMenuEnabled(MenuCommand command, bool enabled)
{
    static const QHash<MenuCommand, std::pair<MenuId, int>> items{
        {MenuCommand::Undo, {MenuId::Edit, 0}},          {MenuCommand::Redo, {MenuId::Edit, 1}},
        {MenuCommand::Cut, {MenuId::Edit, 3}},           {MenuCommand::Copy, {MenuId::Edit, 4}},
        {MenuCommand::Paste, {MenuId::Edit, 5}},         {MenuCommand::Delete, {MenuId::Edit, 6}},
        {MenuCommand::SelectAll, {MenuId::Edit, 7}},     {MenuCommand::Find, {MenuId::Edit, 9}},
        {MenuCommand::FindNext, {MenuId::Edit, 10}},     {MenuCommand::Replace, {MenuId::Edit, 11}},
        {MenuCommand::CommCopy, {MenuId::Comm, 0}},      {MenuCommand::CommPaste, {MenuId::Comm, 1}},
        {MenuCommand::CommSelectAll, {MenuId::Comm, 2}}, {MenuCommand::Connect, {MenuId::Comm, 4}},
        {MenuCommand::Disconnect, {MenuId::Comm, 5}},    {MenuCommand::Snap, {MenuId::Comm, 7}},
    };
    const auto found = items.constFind(command);
    if (found != items.cend())
        m_menus->item(found->first, found->second)->setEnabled(enabled);
}

void MainWindow::showTerminalMenu(const QPoint &globalPos, bool canCopy)
{
    QMenu popup(this);
    for (int index = 0; index <= 7; ++index)
        popup.addAction(m_menus->item(MenuId::Comm, index));
    QAction *copy = m_menus->item(MenuId::Comm, 0);
    const bool wasEnabled = copy->isEnabled();
    copy->setEnabled(canCopy);
    popup.exec(globalPos);
    copy->setEnabled(wasEnabled);
}

void MainWindow::onSubWindowActivated(QMdiSubWindow *sub)
{
    AppState &state = app();
    if (m_loadingWorkspace)
        return;
    if (!recordActiveChild(sub)) {
        // Only an empty workspace has no active window; a dialog taking the focus leaves it as it was.
        if (!m_children->all().isEmpty())
            return;
        state.activeKind = WindowKind::None;
        state.activeDoc = 0;
        state.activeComm = 0;
    }
    refreshCommands();
}

bool MainWindow::recordActiveChild(QMdiSubWindow *sub)
{
    const ChildWindow *c = ChildWindows::child(sub);
    if (!c)
        return false;
    AppState &state = app();
    state.activeKind = c->kind();
    if (c->kind() == WindowKind::Edit)
        state.activeDoc = static_cast<int16_t>(c->slot());
    else
        state.activeComm = static_cast<int16_t>(c->slot());
    return true;
}

void MainWindow::refreshCommands()
{
    const AppState &state = app();
    m_toolBar->disableAll();
    m_menus->disableEditItems();
    m_menus->showMenusFor(state.activeKind);
    const bool edit = state.activeKind == WindowKind::Edit;
    m_menus->item(MenuId::File, 2)->setEnabled(edit);
    m_menus->item(MenuId::File, 3)->setEnabled(state.activeKind != WindowKind::None);
    m_menus->item(MenuId::File, 4)->setEnabled(state.activeKind != WindowKind::None);
    if (state.activeKind == WindowKind::Terminal && state.activeComm > 0) {
        const CommWindowSettings &slot = state.commSlots[state.activeComm];
        m_menus->setFunctionGroups(slot.fKeyEn ? slot.groupNames : QStringList(), slot.fGroup);
        setDeviceTips(slot.device);
    } else {
        m_menus->setFunctionGroups({}, 0);
    }
    if (QMdiSubWindow *sub = m_area->currentSubWindow()) {
        if (ChildWindow *c = ChildWindows::child(sub))
            c->updateCommands(*this);
    } else if (state.activeKind == WindowKind::None) {
        // With no window open only new documents and terminals make sense.
        m_toolBar->setEnabled(QStringLiteral("new"), true);
        m_toolBar->setEnabled(QStringLiteral("open"), true);
    }
}

void MainWindow::applySetupPlacement()
{
    const SetupRecord &setup = app().setup;
    const double d = dpi();
    const QRect rect(twipsToPixels(setup.left, d), twipsToPixels(setup.top, d), twipsToPixels(setup.width, d),
                     twipsToPixels(setup.height, d));
    if (rect.width() > 0 && rect.height() > 0)
        setGeometry(rect);
    if (m_started) {
        if (setup.state == 2)
            showMaximized();
        else if (isMaximized())
            showNormal();
    }
}

void MainWindow::storeSetupPlacement()
{
    SetupRecord &setup = app().setup;
    const double d = dpi();
    const QRect rect = geometry();
    setup.left = pixelsToTwips(rect.x(), d);
    setup.top = pixelsToTwips(rect.y(), d);
    setup.width = pixelsToTwips(rect.width(), d);
    setup.height = pixelsToTwips(rect.height(), d);
}

void MainWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    if (m_started && windowState() == Qt::WindowNoState)
        storeSetupPlacement();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_started && windowState() == Qt::WindowNoState)
        storeSetupPlacement();
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshCommands();
}

void MainWindow::closeHelp()
{
    if (m_help)
        m_help->close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    AppState &state = app();
    // Children keep their State so that the next start reopens them.
    state.closingApplication = true;
    if (m_can)
        m_can->close(); // keeps its State for the next start
    if (!m_children->closeAll()) {
        state.closingApplication = false;
        event->ignore();
        return;
    }
    SetupRecord &setup = state.setup;
    setup.state = isMinimized() ? 1 : (isMaximized() ? 2 : 0);
    if (setup.state == 0)
        storeSetupPlacement();
    closeHelp();
    writeIniFile(app());
    state.closingApplication = false;
    event->accept();
}

void MainWindow::endSession()
{
    if (m_sessionEnding)
        return;
    m_sessionEnding = true;
    SessionEndPrompt quiet;
    setPrompt(&quiet);
    const bool closed = close();
    if (!closed) {
        // A child that refuses (a repeating function key) must not keep the session from ending.
        app().closingApplication = true;
        storeSetupPlacement();
        closeHelp();
        writeIniFile(app());
        app().closingApplication = false;
    }
    setPrompt(nullptr);
    QApplication::quit();
}

} // namespace korvo
