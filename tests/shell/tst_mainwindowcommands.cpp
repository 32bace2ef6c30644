// The real main window's commands, headless: the transfer gate, the Transfer menu's Verify, menus and
// toolbar as a user finds them, the edit menu, backups, help, control keys in a terminal, the RAM viewer.

#include "app/programoptions.h"
#include "app/twips.h"
#include "can/canconfigwindow.h"
#include "editor/editwindow.h"
#include "editor/findreplacedialog.h"
#include "filebytes.h"
#include "functionkeys/functionkeyeditor.h"
#include "link/baudchangedialog.h"
#include "link/controllinesdialog.h"
#include "mainwindowtest.h"
#include "preferences/optionsdialog.h"
#include "scriptedprompt.h"
#include "shell/aboutdialog.h"
#include "shell/commandrouter.h"
#include "shell/helpbrowser.h"
#include "shell/mainmenus.h"
#include "shell/maintoolbar.h"
#include "shell/mainwindow.h"
#include "shell/openeditdialog.h"
#include "sim/memoryresponder.h"
#include "sim/simpty.h"
#include "spi/spicommwindow.h"
#include "terminal/commwindow.h"
#include "terminal/terminalview.h"
#include "terminal/translatedialog.h"
#include "tools/findcommdialog.h"
#include "tools/linemonitorwindow.h"
#include "tools/ramviewerwindow.h"
#include "transfer/listingdiffview.h"
#include "transfer/transferdialog.h"
#include "ui/filedialogs.h"
#include "upgrade/upgradewizard.h"

#include <Qsci/qsciscintilla.h>

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace korvo;

class TstMainWindowCommands : public MainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void theTransferGateRefusesInItsOrder();
    void verifyIsATransferItemThatOpensTheDialogToVerify();
    void menusAndToolbarStartAsAUserExpects();
    void everyControlHasItsOwnAltLetterAndAName_data();
    void everyControlHasItsOwnAltLetterAndAName();
    void theActiveKindChoosesTheEditMenu();
    void theRightButtonOpensTheWholeEditMenuPreferencesIncluded();
    void onlyFileSaveOfAnExistingFileKeepsABackup();
    void helpTopicsOpenOurOwnPagesWhoseLinksAllResolve();
    void ctrlKeysInATerminalGoToTheDeviceAndEveryMenuOpensByAlt();
    void theRamViewerAndLineMonitorNeedAnActiveTerminal();
    void aFeatureMakesItsCommandWorkWithOneHandler();
};

void TstMainWindowCommands::init()
{
    setUpWorkspace();
}

void TstMainWindowCommands::cleanup()
{
    tearDownWorkspace();
}

void TstMainWindowCommands::theTransferGateRefusesInItsOrder()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n[Comm_0]\r\nDevice=3\r\n"));
    auto window = startWindow();
    window->menus()->item(MenuId::Transfer, 1)->trigger();
    window->loadNewComm();
    window->menus()->item(MenuId::Transfer, 1)->trigger();
    window->menus()->item(MenuId::Transfer, 0)->trigger();
    window->prefs().commSlots[1].device = Veltor;
    window->runCommand(Command::Download);

    const QList<PromptRequest> &asked = m_prompt->asked();
    QCOMPARE(asked.size(), 4);
    QCOMPARE(asked[0].text, QStringLiteral("The Comm Window is not available.\r\n"
                                           "Open the Comm Window and Connect, then try again."));
    QCOMPARE(asked[0].title, QStringLiteral("Comm Connection"));
    QCOMPARE(asked[0].icon, PromptIcon::Exclamation);
    QCOMPARE(asked[1].text, QStringLiteral("Download not available for HMI"));
    QCOMPARE(asked[1].title, QStringLiteral("Upload/Download"));
    QCOMPARE(asked[1].icon, PromptIcon::Exclamation);
    for (int i : {2, 3}) {
        QCOMPARE(asked[i].text, QStringLiteral("COMM Port is not Connected!"));
        QCOMPARE(asked[i].title, QStringLiteral("Comm Connection"));
        QCOMPARE(asked[i].icon, PromptIcon::Exclamation);
    }
}

void TstMainWindowCommands::verifyIsATransferItemThatOpensTheDialogToVerify()
{
    ControllerSim controller(Veltor);
    MemoryResponder responder(controller, DeviceMemory::demo(Veltor));
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    const QString listing = m_dir->filePath(QStringLiteral("axis.vxt"));
    QFile file(listing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("'[VARIABLES]\r\nVA ACCEL = 2000\r\nVA SPEED = 1500\r\nVA COUNT = 0\r\n'[END]\r\n");
    file.close();
    writePrefs(
        QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nState=0\r\nDevice=4\r\n"
                       "PortName=%1\r\nConnected=-1\r\n")
            .arg(pty.path()));
    auto window = startWindow();
    MainMenus *menus = window->menus();
    QAction *verify = menus->action(Command::Verify);
    QVERIFY(verify);
    QCOMPARE(menus->menu(MenuId::Transfer)->actions().last(), verify);

    // No other item of the menu answers to its letter, and it is enabled exactly when Upload and Download
    // are.
    QList<QChar> letters;
    for (QAction *a : menus->menu(MenuId::Transfer)->actions()) {
        const qsizetype amp = a->text().indexOf(u'&');
        if (amp >= 0 && a->text() != QStringLiteral("&Pause Capture"))
            letters.append(a->text().at(amp + 1).toUpper());
    }
    letters.append(u'R'); // "&Resume Capture" takes the place of "&Pause Capture"
    QCOMPARE(letters.count(u'V'), 1);
    QCOMPARE(QSet<QChar>(letters.begin(), letters.end()).size(), letters.size());
    QMdiSubWindow *edit = window->newEditWindow(QStringLiteral("Program"));
    QMdiSubWindow *terminal = window->children()->subWindow(WindowKind::Terminal, 1);
    for (QMdiSubWindow *active : {edit, terminal}) {
        window->mdiArea()->setActiveSubWindow(active);
        for (Command c : {Command::Upload, Command::Download})
            QCOMPARE(verify->isEnabled(), menus->action(c)->isEnabled());
        QVERIFY(verify->isEnabled());
    }

    // Alt+T, V from the terminal: the dialog, made to verify the listing against the device.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto *comm = qobject_cast<CommWindow *>(terminal->widget());
    comm->view().setFocus();
    QTRY_VERIFY(comm->view().hasFocus());
    QTest::keyClick(&comm->view(), Qt::Key_T, Qt::AltModifier);
    QCOMPARE(QApplication::activePopupWidget(), menus->menu(MenuId::Transfer));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_V);
    auto *dialog = window->findChild<TransferDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Veltor Indexer Verify"));
    QCOMPARE(dialog->startButton()->text().remove(u'&'), QStringLiteral("Verify"));
    QVERIFY(!dialog->verifyButton()->isVisibleTo(dialog));
    QSignalSpy ended(dialog, &TransferDialog::jobEnded);
    dialog->fileOption()->click();
    dialog->fileNameEdit()->setText(listing);
    dialog->startButton()->click();
    QVERIFY(ended.wait(20'000));
    QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("Verify: identical"));
    QVERIFY(m_prompt->asked().isEmpty());

    // File Open on a terminal sends the file through the dialog once (as the router is asked here); the
    // target chosen before comes back when that job has ended, not when the dialog opens.
    TransferMemory &memory = window->router()->transferMemory();
    memory.toFile = false;
    memory.fileName = m_dir->filePath(QStringLiteral("chosen.vxt"));
    window->router()->transferOnce(Command::Download, listing);
    QCOMPARE(dialog->startButton()->text().remove(u'&'), QStringLiteral("Download"));
    QCOMPARE(dialog->fileNameEdit()->text(), listing);
    dialog->startButton()->click();
    QVERIFY(ended.wait(20'000));
    QVERIFY(ended.last().at(0).toBool());
    QVERIFY(!memory.toFile);
    QCOMPARE(memory.fileName, m_dir->filePath(QStringLiteral("chosen.vxt")));
}

void TstMainWindowCommands::everyControlHasItsOwnAltLetterAndAName_data()
{
    QTest::addColumn<QString>("window");
    for (const char *window :
         {"menus", "Preferences", "Function Key Setup", "Find Comm. Settings", "Upload/Download", "CAN",
          "SPI", "RAM Viewer", "Line Monitor", "Replace", "Translate", "Open Edit", "Upgrade",
          "Control Lines", "Baud Rate", "About", "Verify differences"})
        QTest::newRow(window) << QString::fromLatin1(window);
}

void TstMainWindowCommands::everyControlHasItsOwnAltLetterAndAName()
{
    QFETCH(QString, window);
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nState=0\r\n"));
    auto main = startWindow();
    // Captions shown together, each of which must have an Alt letter no other of them has.
    const auto checkLetters = [](const QStringList &captions, const QString &where) {
        QSet<QKeySequence> seen;
        for (const QString &caption : captions) {
            const QKeySequence letter = QKeySequence::mnemonic(caption);
            QVERIFY2(!letter.isEmpty() && !seen.contains(letter),
                     qPrintable(where + QStringLiteral(": ") + caption));
            seen.insert(letter);
        }
    };
    if (window == QLatin1String("menus")) {
        QStringList bar;
        for (QAction *a : main->menuBar()->actions())
            if (a->isVisible())
                bar << a->text();
        checkLetters(bar, QStringLiteral("menu bar"));
        for (QMenu *menu : main->findChildren<QMenu *>()) {
            QStringList items;
            for (QAction *a : menu->actions())
                if (a->isVisible() && !a->isSeparator())
                    items << a->text();
            checkLetters(items, menu->title());
        }
        return;
    }
    auto *comm = qobject_cast<CommWindow *>(main->childWidget(WindowKind::Terminal, 1));
    std::unique_ptr<QWidget> dialog;
    if (window == QLatin1String("Preferences")) {
        OptionsDialog::Context context;
        context.request = PreferencesRequest::CommSettings;
        context.terminalOpen = true;
        dialog = std::make_unique<OptionsDialog>(OptionsValues::load(main->prefs(), 1), context,
                                                 systemClock(), *m_prompt);
    } else if (window == QLatin1String("Function Key Setup")) {
        dialog = std::make_unique<FunctionKeyEditor>(main->prefs().commSlots[1], 0, main->fileDialogs(),
                                                     *m_prompt);
        dialog->findChild<QToolButton *>(QStringLiteral("cmdMore"))->click();
    } else if (window == QLatin1String("Find Comm. Settings")) {
        dialog = std::make_unique<FindCommDialog>(comm->link(), *m_prompt);
    } else if (window == QLatin1String("Upload/Download")) {
        dialog = std::make_unique<TransferDialog>(main->fileDialogs(), *m_prompt);
    } else if (window == QLatin1String("CAN")) {
        dialog =
            std::make_unique<CanConfigWindow>(CanTarget::Module, comm->link(), CanWindowSetup{}, *m_prompt);
    } else if (window == QLatin1String("SPI")) {
        dialog = std::make_unique<SpiCommWindow>(SpiRecord{}, *m_prompt, nullptr, SpiCommWindow::Services{});
    } else if (window == QLatin1String("RAM Viewer")) {
        dialog = std::make_unique<RamViewerWindow>();
    } else if (window == QLatin1String("Line Monitor")) {
        dialog = std::make_unique<LineMonitorWindow>(systemClock(), main->fileDialogs(), *m_prompt);
    } else if (window == QLatin1String("Replace")) {
        auto *edit = qobject_cast<EditWindow *>(main->newEditWindow(QStringLiteral("Program"))->widget());
        auto find = std::make_unique<FindReplaceDialog>(edit);
        find->showFor(true, QStringLiteral("VA"));
        dialog = std::move(find);
    } else if (window == QLatin1String("Translate")) {
        dialog = std::make_unique<TranslateDialog>(TranslateDialog::Options{});
    } else if (window == QLatin1String("Open Edit")) {
        dialog =
            std::make_unique<OpenEditDialog>(QStringLiteral("Program"), true, Veltor, main->fileDialogs());
    } else if (window == QLatin1String("Upgrade")) {
        dialog = std::make_unique<UpgradeWizard>(
            comm->link(), false, [] { return std::optional<QString>(); }, *m_prompt);
    } else if (window == QLatin1String("Control Lines")) {
        dialog = std::make_unique<ControlLinesDialog>(ControlLines{});
    } else if (window == QLatin1String("Baud Rate")) {
        dialog = std::make_unique<BaudChangeDialog>(true);
    } else if (window == QLatin1String("About")) {
        dialog = std::make_unique<AboutDialog>(QStringLiteral("1.0"));
    } else {
        const auto diff = ListingDiff::compare({"VA A = 1"}, {"VA A = 2"}, Veltor, 0);
        dialog = std::make_unique<ListingDiffView>(diff, QStringLiteral("a&b.vxt"));
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    }
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    // Each page of a tab strip or of a stack of pages is shown together with the window's own controls.
    auto *pages = dialog->findChild<QStackedWidget *>();
    for (int page = 0; page < (pages ? pages->count() : 1); ++page) {
        QStringList captions;
        if (pages)
            pages->setCurrentIndex(page);
        for (QWidget *w : dialog->findChildren<QWidget *>()) {
            if (!w->isVisible() || !(w->focusPolicy() & Qt::TabFocus) || qobject_cast<QTabBar *>(w) ||
                qobject_cast<QTabWidget *>(w) || qobject_cast<QComboBox *>(w->parentWidget()) ||
                qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
                continue;
            const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty(),
                     qPrintable(window + QStringLiteral(": ") + w->objectName() + QLatin1Char(' ') +
                                QLatin1String(w->metaObject()->className())));
            if (const auto *button = qobject_cast<QAbstractButton *>(w); button && !button->text().isEmpty())
                captions << button->text();
        }
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            if (const auto *field = qobject_cast<const QLineEdit *>(label->buddy());
                label->isVisible() && label->buddy() && !(field && field->isReadOnly()))
                captions << label->text();
        checkLetters(captions, window);
    }
}

void TstMainWindowCommands::menusAndToolbarStartAsAUserExpects()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    MainMenus *menus = window->menus();
    auto captions = [&](MenuId id) {
        QStringList texts;
        for (QAction *a : menus->menu(id)->actions())
            texts.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    };
    QCOMPARE(captions(MenuId::File), (QStringList{"&New...", "&Open...", "&Save", "S&ave as...", "&Print...",
                                                  "-", "&Load Preferences...", "-", "E&xit", "-"}));
    QVERIFY(!menus->item(MenuId::File, MainMenus::kRecentSeparator)->isVisible());
    QCOMPARE(captions(MenuId::Edit),
             (QStringList{"&Undo", "&Redo", "-", "Cu&t", "&Copy", "&Paste", "&Delete", "Se&lect All", "-",
                          "&Find...", "Find &Next", "R&eplace", "-", "Preference&s...", "-",
                          "Sa&ve Preferences", "Save Preferences &As..."}));
    QCOMPARE(captions(MenuId::Comm).mid(3),
             (QStringList{"-", "C&onnect", "&Disconnect", "-", "S&nap", "-", "Preference&s...", "-",
                          "Sa&ve Preferences", "Save Preferences &As..."}));
    QCOMPARE(captions(MenuId::View),
             (QStringList{"New &Edit Window", "New &Terminal Window", "-", "&CAN Configuration...", "-",
                          "&SPI Communications", "-", "&Find Comm. Settings", "-", "&RAM Viewer",
                          "&Line Monitor"}));
    QCOMPARE(menus->item(MenuId::View, 3)->menu(), menus->menu(MenuId::Can));
    QCOMPARE(captions(MenuId::Window),
             (QStringList{"Tile &Horizontally", "Tile &Vertically", "&Cascade", "Arrange &Icons"}));
    QStringList bar;
    for (QAction *a : window->menuBar()->actions()) {
        if (a->isVisible())
            bar.append(a->text());
    }
    QCOMPARE(bar, (QStringList{"&File", "&Edit", "&View", "&Transfer", "&Upgrade!", "&Window", "&Help"}));
    QCOMPARE(captions(MenuId::Comm).mid(0, 3),
             (QStringList{"&Copy             Ctl+C", "&Paste            Ctl+V", "Se&lect All       Ctl+A"}));
    for (const QString &caption : captions(MenuId::Comm).mid(0, 3))
        QCOMPARE(caption.size(), 23);
    for (QAction *a : menus->menu(MenuId::Comm)->actions())
        QVERIFY(a->shortcut().isEmpty());
    QCOMPARE(captions(MenuId::View).at(9), QStringLiteral("&RAM Viewer"));
    QVERIFY(!menus->item(MenuId::View, 9)->isVisible());
    QCOMPARE(captions(MenuId::Can), (QStringList{"&Module", "&Dongle", "M&onitor"}));
    QCOMPARE(captions(MenuId::Transfer), (QStringList{"&Upload", "&Download", "-", "&Capture",
                                                      "&Pause Capture", "&Stop Capture", "-", "&Verify"}));
    QCOMPARE(menus->item(MenuId::File, 8)->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QCOMPARE(menus->upgradeAction()->text(), QStringLiteral("&Upgrade!"));
    QVERIFY(menus->upgradeAction()->menu() == nullptr);

    const QStringList keys{"new",   "open", "save",   "cut",  "copy", "paste", "print",
                           "props", "con",  "discon", "upld", "dnld", "clear", "snap"};
    QStringList shown;
    for (Command command : window->toolBar()->commands()) {
        QAction *button = window->toolBar()->button(command);
        shown.append(button->objectName());
        QVERIFY(!button->icon().isNull());
        if (command != Command::FileNew && command != Command::FileOpen)
            QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    }
    QCOMPARE(shown, keys);
    QCOMPARE(window->toolBar()->button(Command::Snap)->toolTip(), QStringLiteral("Snap Terminal to Size"));

    // Upgrade! without a terminal window says so in one box.
    menus->upgradeAction()->trigger();
    QCOMPARE(m_prompt->asked().size(), 1);
    QVERIFY(m_prompt->asked().first().text.startsWith(QStringLiteral("The Comm Window is not available.")));

    m_options.factory = true;
    MainWindow factory(m_options, *m_prompt);
    QVERIFY(factory.menus()->item(MenuId::View, 9)->isVisible());
}

void TstMainWindowCommands::theActiveKindChoosesTheEditMenu()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    MainMenus *menus = window->menus();
    QMdiSubWindow *edit = window->newEditWindow(QStringLiteral("Program"));
    QCOMPARE(window->active().kind, WindowKind::Edit);
    QVERIFY(menus->menu(MenuId::Edit)->menuAction()->isVisible());
    QVERIFY(!menus->menu(MenuId::Comm)->menuAction()->isVisible());
    QVERIFY(!menus->menu(MenuId::FuncGroups)->menuAction()->isVisible());

    window->loadNewComm();
    QCOMPARE(window->active().kind, WindowKind::Terminal);
    QVERIFY(!menus->menu(MenuId::Edit)->menuAction()->isVisible());
    QVERIFY(menus->menu(MenuId::Comm)->menuAction()->isVisible());
    QVERIFY(menus->menu(MenuId::FuncGroups)->menuAction()->isVisible());
    QCOMPARE(menus->menu(MenuId::FuncGroups)->actions().first()->text(), QStringLiteral("&1 Group1"));
    QVERIFY(!menus->item(MenuId::Edit, 0)->isEnabled()); // Ctrl+Z goes to the terminal
    // The toolbar offers what the File menu offers a terminal.
    for (Command command : {Command::FileNew, Command::FileOpen, Command::FilePrint}) {
        QVERIFY(menus->action(command)->isEnabled());
        QVERIFY(window->toolBar()->button(command)->isEnabled());
    }
    QVERIFY(!window->toolBar()->button(Command::FileSave)->isEnabled());

    window->mdiArea()->setActiveSubWindow(edit);
    QCOMPARE(window->active().kind, WindowKind::Edit);
    QCOMPARE(window->active().doc, 1);
    QVERIFY(menus->menu(MenuId::Edit)->menuAction()->isVisible());
    QVERIFY(window->toolBar()->button(Command::FileNew)->isEnabled());
    QVERIFY(!window->toolBar()->button(Command::Connect)->isEnabled());
}

void TstMainWindowCommands::theRightButtonOpensTheWholeEditMenuPreferencesIncluded()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    auto *edit = qobject_cast<EditWindow *>(window->newEditWindow(QStringLiteral("Program"))->widget());
    QVERIFY(edit);
    QTest::mouseClick(edit->editor()->viewport(), Qt::RightButton);
    auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    QVERIFY(popup);
    QStringList captions;
    for (QAction *action : popup->actions())
        captions << action->text();
    QCOMPARE(captions.size(), 17);
    QCOMPARE(captions.mid(13),
             (QStringList{"Preference&s...", QString(), "Sa&ve Preferences", "Save Preferences &As..."}));
    // Its items are the menu bar's: Save Preferences writes the preferences file.
    QFile::remove(m_options.prefFile);
    popup->actions().at(15)->trigger();
    popup->close();
    QVERIFY(QFileInfo::exists(m_options.prefFile));
}

void TstMainWindowCommands::onlyFileSaveOfAnExistingFileKeepsABackup()
{
    const QString motion = m_dir->filePath(QStringLiteral("motion.kxt"));
    const QString other = m_dir->filePath(QStringLiteral("other.kxt"));
    for (const QString &path : {motion, other}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
    }
    writePrefs(
        QStringLiteral("[Setup]\r\nState=0\r\nDocCt=1\r\nCommCt=0\r\n[Pgm_1]\r\nName=%1\r\n").arg(motion));
    auto window = startWindow();
    auto *edit = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 1));
    QVERIFY(edit);
    const auto contents = [](const QString &path) { return fileBytes(path, "<missing>"); };

    edit->setDocumentText(QStringLiteral("first\r\n"), true);
    window->menus()->item(MenuId::File, 2)->trigger();
    QCOMPARE(contents(motion), QByteArray("first\r\n"));
    QCOMPARE(contents(m_dir->filePath(QStringLiteral("motion.bak"))), QByteArray("old\r\n"));

    // Save as over an existing file and the save prompt's Yes replace the file without a backup.
    window->fileDialogs().setRunner(
        [&](const FileDialogRequest &) -> std::optional<QString> { return other; });
    edit->setDocumentText(QStringLiteral("second\r\n"), true);
    window->menus()->item(MenuId::File, 3)->trigger();
    window->fileDialogs().setRunner({});
    QCOMPARE(edit->fileName(), other);
    QCOMPARE(contents(other), QByteArray("second\r\n"));
    edit->setDocumentText(QStringLiteral("third\r\n"), true);
    m_prompt->queueAnswer(PromptAnswer::Yes);
    QVERIFY(edit->checkSave());
    QCOMPARE(contents(other), QByteArray("third\r\n"));
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("other.bak"))));
    QCOMPARE(contents(m_dir->filePath(QStringLiteral("motion.bak"))), QByteArray("old\r\n"));
}

void TstMainWindowCommands::helpTopicsOpenOurOwnPagesWhoseLinksAllResolve()
{
    auto window = startWindow();
    QMenu *help = window->menus()->menu(MenuId::Help);
    QMenu *topics = help->actions().first()->menu();
    QVERIFY(topics);
    QCOMPARE(topics->actions().size(), MainMenus::kHelpTopics);
    for (int index = 0; index < MainMenus::kHelpTopics; ++index) {
        topics->actions().at(index)->trigger();
        HelpBrowser *browser = window->helpBrowser();
        QVERIFY(browser && browser->isVisible());
        QCOMPARE(browser->currentPage(),
                 HelpBrowser::topicUrl(m_options.programDir, HelpBrowser::kTopics[index]));
        QVERIFY2(QFileInfo::exists(browser->currentPage().toLocalFile()),
                 qPrintable(browser->currentPage().toString()));
    }
    const QDir folder(HelpBrowser::helpFolder(m_options.programDir));
    const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)"));
    for (const QString &page : folder.entryList({"*.html"})) {
        QFile file(folder.filePath(page));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch &m : link.globalMatch(html))
            QVERIFY2(folder.exists(m.captured(1)), qPrintable(page + " -> " + m.captured(1)));
    }

    // The first size is wide enough for every page's heading on one line, and is remembered.
    HelpBrowser *browser = window->helpBrowser();
    auto *text = browser->findChild<QTextBrowser *>();
    for (int index = 0; index < MainMenus::kHelpTopics; ++index) {
        topics->actions().at(index)->trigger();
        const QTextBlock heading = text->document()->firstBlock().next();
        QCOMPARE(heading.blockFormat().headingLevel(), 1);
        QVERIFY2(heading.layout()->lineCount() == 1, qPrintable(heading.text()));
    }
    QVERIFY(window->screen()->availableGeometry().contains(browser->frameGeometry()));
    const QSize first = browser->size();
    // Esc and Ctrl+W close it like any other window.
    for (const QKeySequence &keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        topics->actions().at(0)->trigger();
        window->helpBrowser()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window->helpBrowser()));
        QTest::keySequence(window->helpBrowser(), keys);
        QTRY_VERIFY(!window->helpBrowser());
        QCOMPARE(window->prefs().browser.width, pixelsToTwips(first.width(), window->dpi()));
    }
    topics->actions().at(0)->trigger();
    QCOMPARE(window->helpBrowser()->size(), first);

    window->menus()->aboutAction()->trigger();
    QVERIFY(window->aboutDialog());
    QVERIFY(window->aboutDialog()->text().contains(QStringLiteral("KorvoTerm")));
    QVERIFY(window->aboutDialog()->text().contains(QStringLiteral("1.000.000")));
    window->aboutDialog()->accept();

    // Exit closes the help window and keeps its place.
    window->helpBrowser()->move(40, 60);
    QVERIFY(window->close());
    QTRY_VERIFY(!window->helpBrowser());
    QCOMPARE(window->prefs().browser.left, pixelsToTwips(40, window->dpi()));
}

void TstMainWindowCommands::ctrlKeysInATerminalGoToTheDeviceAndEveryMenuOpensByAlt()
{
    // Ctrl+Q in a terminal used to quit the program instead of sending DC1 to the device.
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    QMdiSubWindow *edit = window->newEditWindow(QStringLiteral("Program"));
    window->loadNewComm();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    auto *comm = qobject_cast<CommWindow *>(window->childWidget(WindowKind::Terminal, 1));
    comm->view().setFocus();
    QTRY_VERIFY(comm->view().hasFocus());
    QAction *exit = window->menus()->action(Command::Exit);
    for (Qt::Key key : {Qt::Key_Q, Qt::Key_N, Qt::Key_O, Qt::Key_S, Qt::Key_P})
        QTest::keyClick(&comm->view(), key, Qt::ControlModifier);
    QVERIFY(window->isVisible());
    QCOMPARE(subWindows(*window).size(), 2);
    QVERIFY(m_prompt->asked().isEmpty());
    // The menus show no Ctrl key while the terminal is active, wherever the keyboard is meanwhile (a menu
    // opened with the mouse, a dialog that had it).
    comm->view().clearFocus();
    for (MenuId id : {MenuId::File, MenuId::Comm, MenuId::View, MenuId::Transfer, MenuId::Window})
        for (const QAction *item : window->menus()->menu(id)->actions())
            QVERIFY2(!item->shortcut().toString().contains(QLatin1String("Ctrl")), qPrintable(item->text()));

    // Everywhere else the shortcuts are back.
    window->mdiArea()->setActiveSubWindow(edit);
    edit->widget()->setFocus();
    QTRY_COMPARE(exit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    // Every menu opens by its mnemonic: from the terminal, and after a click on the empty background.
    auto opensByAlt = [&](QWidget *target, Qt::Key key, MenuId id) {
        QTest::keyClick(target, key, Qt::AltModifier);
        const bool open = QApplication::activePopupWidget() == window->menus()->menu(id);
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        return open;
    };
    comm->view().setFocus();
    QTRY_VERIFY(comm->view().hasFocus());
    QVERIFY(opensByAlt(&comm->view(), Qt::Key_F, MenuId::File));
    QVERIFY(opensByAlt(&comm->view(), Qt::Key_E, MenuId::Comm));
    QVERIFY(opensByAlt(&comm->view(), Qt::Key_V, MenuId::View));
    QVERIFY(opensByAlt(&comm->view(), Qt::Key_T, MenuId::Transfer));
    QVERIFY(opensByAlt(&comm->view(), Qt::Key_W, MenuId::Window));
    QVERIFY(opensByAlt(&comm->view(), Qt::Key_H, MenuId::Help));
    edit->showMinimized();
    window->children()->subWindow(WindowKind::Terminal, 1)->showMinimized();
    QWidget *background = window->mdiArea()->viewport();
    QTest::mouseClick(background, Qt::LeftButton, {}, QPoint(background->width() / 2, 5));
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
    QVERIFY(opensByAlt(focus, Qt::Key_V, MenuId::View));
    QVERIFY(opensByAlt(focus, Qt::Key_H, MenuId::Help));
}

void TstMainWindowCommands::theRamViewerAndLineMonitorNeedAnActiveTerminal()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    m_options.factory = true;
    auto window = startWindow();
    QAction *viewer = window->menus()->item(MenuId::View, 9);
    QCOMPARE(viewer, window->menus()->action(Command::RamViewer));
    QVERIFY(viewer->isVisible());
    QVERIFY(!viewer->isEnabled());
    window->runCommand(Command::RamViewer);
    QVERIFY(m_prompt->asked().isEmpty());

    QMdiSubWindow *edit = window->newEditWindow(QStringLiteral("Program"));
    QVERIFY(!viewer->isEnabled());
    window->loadNewComm();
    QVERIFY(viewer->isEnabled());
    window->runCommand(Command::RamViewer);
    QVERIFY(viewer->isChecked());
    // Its first place is over the client area: at 0,0 it hid the File menu.
    auto *ram = window->findChild<RamViewerWindow *>();
    QVERIFY(ram);
    const QPoint client = window->mdiArea()->mapToGlobal(QPoint(0, 0));
    QVERIFY2(ram->frameGeometry().top() >= client.y(), qPrintable(QDebug::toString(ram->frameGeometry())));
    QVERIFY(window->screen()->availableGeometry().contains(ram->frameGeometry()));
    window->runCommand(Command::RamViewer);
    QVERIFY(!viewer->isChecked());
    QVERIFY(m_prompt->asked().isEmpty());

    // The line monitor, for every device, opens over the client area on the active terminal.
    QAction *monitorItem = window->menus()->action(Command::LineMonitor);
    QVERIFY(monitorItem->isEnabled());
    window->runCommand(Command::LineMonitor);
    QVERIFY(monitorItem->isChecked());
    auto *monitor = window->findChild<LineMonitorWindow *>();
    QVERIFY(monitor && monitor->isVisible());
    QVERIFY(monitor->frameGeometry().top() >= client.y());
    window->runCommand(Command::LineMonitor);
    QVERIFY(!monitorItem->isChecked());

    window->mdiArea()->setActiveSubWindow(edit);
    QVERIFY(!viewer->isEnabled());
    QVERIFY(!monitorItem->isEnabled());
    window->runCommand(Command::RamViewer);
    QVERIFY(!viewer->isChecked());
}

void TstMainWindowCommands::aFeatureMakesItsCommandWorkWithOneHandler()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    // One handler is all a feature binds: the menu item runs it and stays checked.
    QAction *spi = window->menus()->action(Command::SpiCommunications);
    int opened = 0;
    window->setCommandHandler(Command::SpiCommunications, [&] { ++opened; });
    spi->trigger();
    QCOMPARE(opened, 1);
    QVERIFY(m_prompt->asked().isEmpty());
    QVERIFY(spi->isChecked());
}

QTEST_MAIN(TstMainWindowCommands)
#include "tst_mainwindowcommands.moc"
