// The real main window, headless, and its workspace: terminal slots, a damaged keyword list, the workspace
// saved and opened again, captions, tiling and cascade, places written on a bigger screen.

#include "app/programoptions.h"
#include "app/twips.h"
#include "editor/editwindow.h"
#include "mainwindowtest.h"
#include "scriptedprompt.h"
#include "settings/inifile.h"
#include "shell/mainmenus.h"
#include "shell/mainwindow.h"
#include "spi/spicommwindow.h"
#include "terminal/commwindow.h"

#include <QAction>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScreen>
#include <QtTest>
#include <memory>

using namespace korvo;

class TstMainWindow : public MainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void anEmptyWorkspaceOpensNoTerminal();
    void anUnreadableKeywordListIsReportedOnceAndTheWorkspaceStillOpens();
    void nineTerminalsThenTooManyAndAClosedSlotIsReused();
    void aWorkspaceOfThreeEditAndThreeTerminalWindowsComesBackAsItWasSaved();
    void everyTitleBarOfAnOpenedWorkspaceFollowsItsWindowsCaption();
    void tilingAndCascadePlaceTheOpenWindowsInTheirOrder();
    void placesFromABiggerScreenStayInReachAndToolWindowsOpenOverTheClientArea();
};

void TstMainWindow::init()
{
    setUpWorkspace();
}

void TstMainWindow::cleanup()
{
    tearDownWorkspace();
}

void TstMainWindow::anEmptyWorkspaceOpensNoTerminal()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    QVERIFY(subWindows(*window).isEmpty());
    QCOMPARE(window->active().comm, 0);
    QCOMPARE(window->active().kind, WindowKind::None);
    QVERIFY(m_prompt->asked().isEmpty());
}

void TstMainWindow::anUnreadableKeywordListIsReportedOnceAndTheWorkspaceStillOpens()
{
    // A folder where a keyword file should be cannot be read; a missing file would simply mean no keywords.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("VELTOR_ALL.rw")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("NB_ALL.rw")));
    m_options.programDir = m_dir->path();
    auto window = startWindow();
    QCOMPARE(m_prompt->asked().size(), 1);
    QCOMPARE(m_prompt->asked().first().text, QStringLiteral("Corrupted or missing .INI or .RW File"));
    QCOMPARE(m_prompt->asked().first().title, QStringLiteral("Preference Setup"));
    QCOMPARE(m_prompt->asked().first().icon, PromptIcon::Critical);
    // No preferences file: the default workspace of one edit window and one terminal.
    QCOMPARE(subWindows(*window).size(), 2);
    QCOMPARE(window->active().kind, WindowKind::Terminal);
    QCOMPARE(window->active().comm, 1);
}

void TstMainWindow::nineTerminalsThenTooManyAndAClosedSlotIsReused()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"
                              "[Comm_0]\r\nTop=100\r\nLeft=200\r\n"));
    auto window = startWindow();
    for (int n = 1; n <= 9; ++n) {
        QMdiSubWindow *sub = window->loadNewComm();
        QVERIFY(sub);
        QCOMPARE(window->active().comm, n);
        const CommWindowSettings &slot = window->prefs().commSlots[n];
        QCOMPARE(slot.port, int16_t(n));
        QCOMPARE(slot.name, QStringLiteral("Terminal %1").arg(n));
        QCOMPARE(slot.top, 100 + 350 * (n - 1));
        QCOMPARE(slot.left, 200 + 350 * (n - 1));
        QCOMPARE(sub->geometry().topLeft(),
                 QPoint(twipsToPixels(slot.left, window->dpi()), twipsToPixels(slot.top, window->dpi())));
    }
    QVERIFY(m_prompt->asked().isEmpty());

    QVERIFY(!window->loadNewComm());
    QCOMPARE(m_prompt->asked().size(), 1);
    QCOMPARE(m_prompt->asked().first().text, QStringLiteral("Too Many Comm Ports Selected"));
    QCOMPARE(m_prompt->asked().first().buttons, PromptButtons::Ok);
    QCOMPARE(subWindows(*window).size(), 9);

    QVERIFY(window->children()->subWindow(WindowKind::Terminal, 4)->close());
    QCOMPARE(window->prefs().commSlots[4].state, kSlotFree);
    QCOMPARE(subWindows(*window).size(), 8);
    // The View menu item runs the same command.
    window->menus()->item(MenuId::View, 1)->trigger();
    QVERIFY(window->children()->subWindow(WindowKind::Terminal, 4));
    QCOMPARE(window->prefs().commSlots[4].port, int16_t(4));
    QCOMPARE(window->prefs().commCt, int16_t(9));
    QCOMPARE(m_prompt->asked().size(), 1);
}

void TstMainWindow::aWorkspaceOfThreeEditAndThreeTerminalWindowsComesBackAsItWasSaved()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nLeft=300\r\nTop=450\r\nWidth=14400\r\nHeight=10800\r\n"
                              "DocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    const QString first = m_dir->filePath(QStringLiteral("motion.vxt"));
    const QString second = m_dir->filePath(QStringLiteral("notes.txt"));
    QFile(first).open(QIODevice::WriteOnly);
    QFile(second).open(QIODevice::WriteOnly);
    QVERIFY(window->newEditWindow(first));
    QVERIFY(window->newEditWindow(second));
    QVERIFY(window->newEditWindow(QStringLiteral("Program")));
    for (int n = 0; n < 3; ++n)
        window->menus()->item(MenuId::View, 1)->trigger();

    // Every window somewhere of its own; a terminal's size follows its rows and columns.
    int k = 0;
    for (QMdiSubWindow *sub : subWindows(*window)) {
        if (ChildWindows::child(sub)->kind() == WindowKind::Edit)
            sub->setGeometry(QRect(13 * k + 1, 17 * k + 2, 301 + 11 * k, 203 + 7 * k));
        else
            sub->move(13 * k + 1, 17 * k + 2);
        ++k;
    }
    window->children()->subWindow(WindowKind::Terminal, 2)->showMinimized();
    window->prefs().commSlots[3].autoName = false;
    window->prefs().commSlots[3].name = QStringLiteral("Bench drive");
    window->prefs().commSlots[3].device = Fendra;
    qobject_cast<CommWindow *>(window->childWidget(WindowKind::Terminal, 3))->setTerminal(0);

    struct Seen
    {
        int kind;
        int slot;
        QString title;
        int16_t state;
        QRect geometry;
    };
    QList<Seen> before;
    for (QMdiSubWindow *sub : subWindows(*window)) {
        const ChildWindow *c = ChildWindows::child(sub);
        before.append({int(c->kind()), c->slot(), sub->windowTitle(), windowStateCode(sub),
                       sub->isMinimized() ? QRect() : sub->geometry()});
    }
    const QRect mainGeometry = window->geometry();

    QVERIFY(window->close());
    window.reset();
    QVERIFY(QFileInfo::exists(m_options.prefFile));
    QCOMPARE(IniFile::load(m_options.prefFile).value("Comm_3", "Name"), QStringLiteral("Bench drive"));

    window = startWindow();
    QCOMPARE(window->geometry(), mainGeometry);
    QList<Seen> after;
    for (QMdiSubWindow *sub : subWindows(*window)) {
        const ChildWindow *c = ChildWindows::child(sub);
        after.append({int(c->kind()), c->slot(), sub->windowTitle(), windowStateCode(sub),
                      sub->isMinimized() ? QRect() : sub->geometry()});
    }
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < before.size(); ++i) {
        QCOMPARE(after[i].kind, before[i].kind);
        QCOMPARE(after[i].slot, before[i].slot);
        QCOMPARE(after[i].title, before[i].title);
        QCOMPARE(after[i].state, before[i].state);
        QCOMPARE(after[i].geometry, before[i].geometry);
    }
    QCOMPARE(window->prefs().commSlots[3].device, int16_t(5));
    QCOMPARE(window->prefs().editSlots[1].name, first);
    // The first terminal that is not minimised is the active one.
    QCOMPARE(window->active().comm, 1);
    QVERIFY(m_prompt->asked().isEmpty());
}

void TstMainWindow::everyTitleBarOfAnOpenedWorkspaceFollowsItsWindowsCaption()
{
    const QString motion = m_dir->filePath(QStringLiteral("motion.vxt"));
    QFile(motion).open(QIODevice::WriteOnly);
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=1\r\nCommCt=1\r\n[Pgm_1]\r\nName=%1\r\n"
                              "[Comm_1]\r\nState=2\r\nAutoName=0\r\nName=Axis rig\r\n")
                   .arg(motion));
    auto window = startWindow();
    QCOMPARE(subWindows(*window).size(), 2);
    for (QMdiSubWindow *sub : subWindows(*window)) {
        QVERIFY(!sub->widget()->windowTitle().isEmpty());
        QCOMPARE(sub->windowTitle(), sub->widget()->windowTitle());
    }
    // A maximised terminal shows its caption in the main window's.
    QVERIFY2(window->windowTitle().endsWith(QStringLiteral("[Axis rig]")), qPrintable(window->windowTitle()));

    // Captions that change later still reach the title bars.
    auto *edit = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 1));
    edit->setDocumentText(QStringLiteral("MA 100\r\n"), true);
    QCOMPARE(window->children()->subWindow(WindowKind::Edit, 1)->windowTitle(),
             QStringLiteral("motion.vxt *"));
    auto *comm = qobject_cast<CommWindow *>(window->childWidget(WindowKind::Terminal, 1));
    window->prefs().commSlots[1].name = QStringLiteral("Spindle");
    comm->setTerminal(0);
    QCOMPARE(window->children()->subWindow(WindowKind::Terminal, 1)->windowTitle(),
             QStringLiteral("Spindle"));
    QVERIFY2(window->windowTitle().endsWith(QStringLiteral("[Spindle]")), qPrintable(window->windowTitle()));
}

void TstMainWindow::tilingAndCascadePlaceTheOpenWindowsInTheirOrder()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nWidth=12000\r\nHeight=9000\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    window->loadNewComm();
    window->newEditWindow(QStringLiteral("Program"));
    window->loadNewComm();
    window->newEditWindow(QStringLiteral("Program"));
    window->children()->subWindow(WindowKind::Terminal, 1)->showMinimized();

    const QSize client = window->mdiArea()->viewport()->size();
    window->menus()->item(MenuId::Window, 0)->trigger();
    const int h = client.height() / 3;
    QCOMPARE(window->children()->subWindow(WindowKind::Edit, 1)->geometry(), QRect(0, 0, client.width(), h));
    QCOMPARE(window->children()->subWindow(WindowKind::Edit, 2)->geometry(), QRect(0, h, client.width(), h));
    QCOMPARE(window->children()->subWindow(WindowKind::Terminal, 2)->geometry(),
             QRect(0, 2 * h, client.width(), h));
    QVERIFY(window->children()->subWindow(WindowKind::Terminal, 1)->isMinimized());
    // The slot follows the window, in twips.
    QCOMPARE(window->prefs().editSlots[2].top, pixelsToTwips(h, window->dpi()));

    window->menus()->item(MenuId::Window, 1)->trigger();
    const int w = client.width() / 3;
    QCOMPARE(window->children()->subWindow(WindowKind::Terminal, 2)->geometry(),
             QRect(2 * w, 0, w, client.height()));

    window->menus()->item(MenuId::Window, 2)->trigger();
    const int step = twipsToPixels(400, window->dpi());
    QCOMPARE(window->children()->subWindow(WindowKind::Edit, 2)->geometry(),
             QRect(step, step, w, client.height()));
    QCOMPARE(window->children()->subWindow(WindowKind::Terminal, 2)->pos(), QPoint(2 * step, 2 * step));

    // The Window menu lists the open windows and brings the chosen one forward.
    QMenu *menu = window->menus()->menu(MenuId::Window);
    emit menu->aboutToShow();
    const QList<QAction *> items = menu->actions();
    QCOMPARE(items.size(), MainMenus::kWindowListStart + 1 + 4);
    items.last()->trigger();
    QCOMPARE(window->active().kind, WindowKind::Terminal);
    QCOMPARE(window->active().comm, 2);
}

void TstMainWindow::placesFromABiggerScreenStayInReachAndToolWindowsOpenOverTheClientArea()
{
    // Written on a 2560x1440 screen: the main window, a terminal and the SPI window right of and below
    // anything this screen shows, the main window larger than it.
    writePrefs(
        QStringLiteral("[Setup]\r\nState=0\r\nLeft=27000\r\nTop=15000\r\nWidth=18000\r\nHeight=12000\r\n"
                       "DocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nState=0\r\nLeft=24000\r\nTop=13000\r\n"
                       "Width=6000\r\nHeight=4000\r\n[SPI Configuration]\r\nLeft=33000\r\nTop=19000\r\n"));
    auto window = startWindow();
    const QRect screen = window->screen()->availableGeometry();
    QVERIFY2(screen.contains(window->frameGeometry()), qPrintable(QDebug::toString(window->frameGeometry())));
    const QRect client = window->mdiArea()->viewport()->rect();
    QMdiSubWindow *terminal = window->children()->subWindow(WindowKind::Terminal, 1);
    QVERIFY2(client.contains(terminal->geometry()), qPrintable(QDebug::toString(terminal->geometry())));

    window->runCommand(Command::SpiCommunications);
    SpiCommWindow *spi = window->spiWindow();
    QVERIFY(spi && spi->isVisible());
    // Its controls need more than the width of the test screen: its left edge is kept on it.
    const auto onScreen = [&screen](const QWidget *w) {
        const QRect frame = w->frameGeometry();
        const QRect kept = screen.intersected(frame);
        return kept.topLeft() == frame.topLeft() && kept.height() == frame.height() &&
               (kept.width() == frame.width() || frame.width() > screen.width());
    };
    QVERIFY2(onScreen(spi), qPrintable(QDebug::toString(spi->frameGeometry())));
    spi->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Never placed: over the client area, not at 0,0 over the menu bar and toolbar.
    window->setGeometry(screen.adjusted(0, 0, 0, -screen.height() / 4));
    window->prefs().spi.left = 0;
    window->prefs().spi.top = 0;
    window->runCommand(Command::SpiCommunications);
    spi = window->spiWindow();
    const QRect clientOnScreen(window->mdiArea()->mapToGlobal(QPoint(0, 0)), window->mdiArea()->size());
    QVERIFY2(clientOnScreen.contains(spi->frameGeometry().topLeft()),
             qPrintable(QDebug::toString(spi->pos())));
    QVERIFY(onScreen(spi));

    // A stored place is the frame's: at the screen's corner the title bar stays on it, also when the
    // workspace is read again over the shown window, and what is kept is the frame's place again.
    spi->close();
    const double dpi = window->screen()->logicalDotsPerInch();
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nLeft=%1\r\nTop=%2\r\nWidth=9000\r\nHeight=6000\r\n"
                              "DocCt=0\r\nCommCt=0\r\n")
                   .arg(pixelsToTwips(screen.left(), dpi))
                   .arg(pixelsToTwips(screen.top(), dpi)));
    QVERIFY(window->closeChildren(false));
    window->openWorkspace();
    QTRY_COMPARE(window->frameGeometry().topLeft(), screen.topLeft());
    window->move(screen.topLeft() + QPoint(30, 45));
    QTRY_COMPARE(pixelRectOf(window->prefs().setup, dpi).topLeft(), window->frameGeometry().topLeft());
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
