// The session around the workspace: recent files, loading another preferences file, exit and the end of a
// desktop session, each of which may ask about unsaved text and must leave the workspace consistent.

#include "mainwindowtest.h"

#include "app/startup.h"
#include "editor/editwindow.h"
#include "fakeclock.h"
#include "settings/inifile.h"
#include "shell/documentcommands.h"
#include "shell/mainmenus.h"
#include "terminal/commwindow.h"
#include "ui/command.h"
#include "ui/filedialogs.h"

#include <Qsci/qsciscintilla.h>

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <csignal>

using namespace korvo;

class TstMainWindowSession : public MainWindowTest
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setUpWorkspace(); }
    void cleanup() { tearDownWorkspace(); }
    void aRecentFileAsksToSaveTheModifiedDocumentFirstAndCancelKeepsIt();
    void loadPreferencesReplacesTheWorkspaceWithTheChosenFile();
    void exitByMenuWritesThePreferencesFile();
    void aProgramNamedOnTheCommandLineOpensAsADocumentAndIsNeverWrittenAsPreferences();
    void sigtermEndsTheSessionKeepingTheWindows();
    void aCancelledOrRefusedExitClosesAndForgetsNothing();
    void cancellingLoadPreferencesAtASavePromptKeepsTheWorkspaceAndItsFile();
    void aSessionEndKeepsUnsavedTextAndTheNextStartOffersIt();
    void typingIsKeptWithinThirtySecondsSoAKilledProgramLosesNoMore();
};

void TstMainWindowSession::aRecentFileAsksToSaveTheModifiedDocumentFirstAndCancelKeepsIt()
{
    const QString older = m_dir->filePath(QStringLiteral("older.vxt"));
    const QString current = m_dir->filePath(QStringLiteral("current.vxt"));
    for (const QString &path : {older, current}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QFileInfo(path).baseName().toLatin1() + "\r\n");
    }
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=1\r\nCommCt=0\r\nFileHistoryCt=1\r\n"
                              "[Pgm_1]\r\nName=%1\r\n[LastOpened]\r\nFILE0=%2\r\n")
                   .arg(current, older));
    auto window = startWindow();
    auto *edit = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 1));
    QVERIFY(edit);
    QCOMPARE(window->prefs().recentFiles, (QStringList{current, older}));
    QCOMPARE(window->menus()->item(MenuId::File, MainMenus::kFirstRecent + 1)->text(), older);
    edit->setDocumentText(QStringLiteral("changed\r\n"), true);

    m_prompt->queueAnswer(PromptAnswer::Cancel);
    window->menus()->item(MenuId::File, MainMenus::kFirstRecent + 1)->trigger();
    QCOMPARE(m_prompt->asked().size(), 1);
    QCOMPARE(m_prompt->asked().first().text, QStringLiteral("Save changes to File?"));
    QCOMPARE(m_prompt->asked().first().title, QStringLiteral("Save Changes"));
    QCOMPARE(edit->fileName(), current);
    QVERIFY(edit->isModified());
    QCOMPARE(window->prefs().recentFiles, (QStringList{current, older}));

    // No: the change is dropped, the older file opens and moves to the top of the list.
    m_prompt->queueAnswer(PromptAnswer::No);
    window->menus()->item(MenuId::File, MainMenus::kFirstRecent + 1)->trigger();
    QCOMPARE(edit->fileName(), older);
    QVERIFY(edit->documentText().startsWith(QStringLiteral("older")));
    QVERIFY(!edit->isModified());
    QCOMPARE(window->prefs().recentFiles, (QStringList{older, current}));
    QCOMPARE(window->menus()->item(MenuId::File, MainMenus::kFirstRecent)->text(), older);
    QFile file(current);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("current\r\n"));
}

void TstMainWindowSession::loadPreferencesReplacesTheWorkspaceWithTheChosenFile()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=1\r\nCommCt=2\r\n"));
    const QString other = m_dir->filePath(QStringLiteral("bench.ktm"));
    {
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nAutoName=0\r\nName=Axis rig\r\n");
    }
    auto window = startWindow();
    QCOMPARE(subWindows(*window).size(), 3);
    QString offeredTitle;
    std::optional<FileDialogMode> offeredMode;
    window->fileDialogs().setRunner([&](const FileDialogRequest &request) -> std::optional<QString> {
        offeredTitle = request.title;
        offeredMode = request.mode;
        return other;
    });
    window->menus()->item(MenuId::File, 6)->trigger();
    window->fileDialogs().setRunner({});
    QCOMPARE(offeredTitle, QStringLiteral("Select KorvoTerm Preferences File"));
    QVERIFY(offeredMode == FileDialogMode::Open);
    QCOMPARE(window->workspace().prefFile(), other);
    QTRY_COMPARE(subWindows(*window).size(), 1);
    QCOMPARE(subWindows(*window).first()->windowTitle(), QStringLiteral("Axis rig"));
    QCOMPARE(window->active().comm, 1);
    QCOMPARE(window->prefs().commCt, int16_t(1));

    // Saving the preferences under another name asks with a Save dialog, not an Open one.
    const QString copy = QFileInfo(other).dir().filePath(QStringLiteral("copy.ktm"));
    window->fileDialogs().setRunner([&](const FileDialogRequest &request) -> std::optional<QString> {
        offeredMode = request.mode;
        return copy;
    });
    window->runCommand(Command::SavePreferencesAs);
    window->fileDialogs().setRunner({});
    QVERIFY(offeredMode == FileDialogMode::Save);
    QVERIFY(QFile::exists(copy));
}

void TstMainWindowSession::exitByMenuWritesThePreferencesFile()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    window->loadNewComm();
    window->loadNewComm();
    window->children()->subWindow(WindowKind::Terminal, 1)->close();
    QFile::remove(m_options.prefFile);
    window->menus()->item(MenuId::File, 8)->trigger();
    QVERIFY(!window->isVisible());
    const IniFile ini = IniFile::load(m_options.prefFile);
    QCOMPARE(ini.value("Setup", "CommCt"), QStringLiteral("1"));
    // Terminal 2 is written as the first open slot and keeps its window.
    QCOMPARE(ini.value("Comm_1", "Name"), QStringLiteral("Terminal 2"));
    QCOMPARE(ini.value("Comm_1", "State"), QStringLiteral("0"));
}

void TstMainWindowSession::aProgramNamedOnTheCommandLineOpensAsADocumentAndIsNeverWrittenAsPreferences()
{
    const QByteArray program("'[PROGRAMS]\r\nPG 100\r\nend\r\n");
    // A program file as a file manager hands it over, and one whose name says preferences but whose
    // contents do not.
    for (const QString &name : {QStringLiteral("axis.vxt"), QStringLiteral("motion.ktm")}) {
        const QString path = m_dir->filePath(name);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(program);
        }
        QFile::remove(m_dir->filePath(QStringLiteral("korvoterm.ktm")));
        m_options = programOptions({name}, m_dir->path(), m_options.programDir);
        auto window = startWindow();
        QCOMPARE(window->workspace().prefFile(), m_dir->filePath(QStringLiteral("korvoterm.ktm")));
        QCOMPARE(window->active().kind, WindowKind::Edit);
        auto *edit = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, window->active().doc));
        QVERIFY(edit);
        QCOMPARE(edit->fileName(), path);
        QCOMPARE(edit->documentText().toLatin1(), program);

        window->menus()->item(MenuId::File, 8)->trigger();
        QVERIFY(!window->isVisible());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), program);
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QFileInfo(name).baseName() + QStringLiteral(".bak"))));
        // The workspace went to the default file and reopens the document next time.
        const IniFile ini = IniFile::load(window->workspace().prefFile());
        const int docs = ini.value("Setup", "DocCt").value_or(QString()).toInt();
        QVERIFY(docs >= 1);
        QCOMPARE(ini.value(QStringLiteral("Pgm_%1").arg(docs), "Name"), path);
        // Preferences are never written over it, even when the user names it to save them in; the user is
        // told why nothing was saved.
        const qsizetype asked = m_prompt->asked().size();
        window->workspace().setPrefFile(path);
        window->savePreferences();
        QCOMPARE(m_prompt->asked().size(), asked + 1);
        QVERIFY2(m_prompt->asked().last().text.endsWith(
                     QStringLiteral("holds no preferences: it is left as it is.")),
                 qPrintable(m_prompt->asked().last().text));
        QVERIFY(file.seek(0));
        QCOMPARE(file.readAll(), program);
    }
}

void TstMainWindowSession::sigtermEndsTheSessionKeepingTheWindows()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    window->loadNewComm();
    window->newEditWindow(QStringLiteral("Program"));
    QFile::remove(m_options.prefFile);
    QCOMPARE(::raise(SIGTERM), 0);
    QTRY_VERIFY(QFileInfo::exists(m_options.prefFile));
    QVERIFY(!window->isVisible());
    const IniFile ini = IniFile::load(m_options.prefFile);
    QCOMPARE(ini.value("Setup", "CommCt"), QStringLiteral("1"));
    QCOMPARE(ini.value("Setup", "DocCt"), QStringLiteral("1"));
    QCOMPARE(ini.value("Comm_1", "State"), QStringLiteral("0"));
    QCOMPARE(ini.value("Pgm_1", "State"), QStringLiteral("0"));
    window.reset();
    m_prompt->clear();

    // During a start-up question (a program path that is a folder) the box closes, the start goes on
    // without questions and the whole workspace is saved: the window after the folder's too.
    const QString program = m_dir->filePath(QStringLiteral("after.vxt"));
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=2\r\nCommCt=0\r\n[Pgm_1]\r\nName=%1\r\n"
                              "[Pgm_2]\r\nName=%2\r\n")
                   .arg(m_dir->path(), program));
    const int dismissed = m_prompt->dismissed();
    m_prompt->onAsk([this, dismissed](const PromptRequest &) {
        if (m_prompt->asked().size() > 1)
            return;
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_COMPARE(m_prompt->dismissed(), dismissed + 1);
    });
    MainWindow starting(m_options, *m_prompt, nullptr, ChildWindows::Factory());
    QVERIFY(!starting.start());
    m_prompt->onAsk({});
    QCOMPARE(m_prompt->asked().size(), 1);
    QVERIFY(!starting.isVisible());
    const IniFile saved = IniFile::load(m_options.prefFile);
    QCOMPARE(saved.value("Setup", "DocCt"), QStringLiteral("2"));
    QCOMPARE(saved.value("Pgm_2", "Name"), program);
}

void TstMainWindowSession::aCancelledOrRefusedExitClosesAndForgetsNothing()
{
    // No for the first document and Cancel for the second used to close the first window while its slot
    // still said it was open.
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    auto window = startWindow();
    for (const char *name : {"first.vxt", "second.vxt"}) {
        window->newEditWindow(m_dir->filePath(QLatin1String(name)));
        qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, window->active().doc))
            ->setDocumentText(QStringLiteral("typed\r\n"), true);
    }
    QFile::remove(m_options.prefFile);
    // Each question comes with its window in front, also one that was minimised.
    window->children()->subWindow(WindowKind::Edit, 1)->showMinimized();
    QStringList inFront;
    m_prompt->onAsk([&](const PromptRequest &) {
        const QMdiSubWindow *sub = window->mdiArea()->activeSubWindow();
        inFront << (sub && !sub->isMinimized() ? sub->windowTitle() : QString());
    });
    m_prompt->queueAnswer(PromptAnswer::No);
    m_prompt->queueAnswer(PromptAnswer::Cancel);
    QVERIFY(!window->close());
    QCOMPARE(m_prompt->asked().size(), 2);
    QCOMPARE(inFront, (QStringList{"first.vxt *", "second.vxt *"}));
    m_prompt->onAsk({});
    QCOMPARE(subWindows(*window).size(), 2);
    for (int n : {1, 2}) {
        QCOMPARE(window->prefs().editSlots[n].state, int16_t(0));
        QVERIFY(qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, n))->isModified());
    }
    QVERIFY(!QFileInfo::exists(m_options.prefFile));

    // A terminal that refuses (a repeating function key) stops the exit before anything is asked or
    // closed: the workspace stays whole, in the windows and in the file.
    window->loadNewComm();
    qobject_cast<CommWindow *>(window->childWidget(WindowKind::Terminal, 1))->hooks().mayClose = [] {
        return false;
    };
    const qsizetype askedBefore = m_prompt->asked().size();
    QVERIFY(!window->close());
    QCOMPARE(m_prompt->asked().size(), askedBefore);
    QCOMPARE(subWindows(*window).size(), 3);
    QCOMPARE(window->prefs().editSlots[1].state, int16_t(0));
    QCOMPARE(window->prefs().editSlots[2].state, int16_t(0));
    window->savePreferences();
    const IniFile ini = IniFile::load(m_options.prefFile);
    QCOMPARE(ini.value("Setup", "DocCt"), QStringLiteral("2"));
    QCOMPARE(ini.value("Setup", "CommCt"), QStringLiteral("1"));
    QCOMPARE(ini.value("Comm_1", "Name"), QStringLiteral("Terminal 1"));
    qobject_cast<CommWindow *>(window->childWidget(WindowKind::Terminal, 1))->hooks().mayClose = {};
}

void TstMainWindowSession::cancellingLoadPreferencesAtASavePromptKeepsTheWorkspaceAndItsFile()
{
    // Cancel used to leave the other file as the preferences path, so the next save overwrote it.
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    const QString own = m_options.prefFile;
    const QString other = m_dir->filePath(QStringLiteral("bench.ktm"));
    auto window = startWindow();
    window->loadNewComm();
    window->newEditWindow(m_dir->filePath(QStringLiteral("motion.vxt")));
    auto *edit = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 1));
    edit->setDocumentText(QStringLiteral("typed\r\n"), true);
    window->fileDialogs().setRunner(
        [&](const FileDialogRequest &) -> std::optional<QString> { return other; });
    m_prompt->queueAnswer(PromptAnswer::Cancel);
    window->menus()->action(Command::LoadPreferences)->trigger();
    window->fileDialogs().setRunner({});
    QCOMPARE(m_prompt->asked().size(), 1);
    QCOMPARE(window->workspace().prefFile(), own);
    QCOMPARE(subWindows(*window).size(), 2);
    QVERIFY(edit->isModified());
    QCOMPARE(window->prefs().commSlots[1].state, int16_t(0));
    QVERIFY(!QFileInfo::exists(other));
}

void TstMainWindowSession::aSessionEndKeepsUnsavedTextAndTheNextStartOffersIt()
{
    // A logout used to answer every save prompt "No" and the typed text was lost.
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    const QString path = m_dir->filePath(QStringLiteral("motion.vxt"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("saved\r\n");
    }
    auto window = startWindow();
    window->newEditWindow(path);
    auto *edit = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 1));
    edit->openEditFile(path);
    edit->setDocumentText(QStringLiteral("typed but not saved \u00b5\r\n"), true);
    window->newEditWindow(QStringLiteral("Program"));
    QCOMPARE(::raise(SIGHUP), 0);
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(m_prompt->asked().isEmpty());
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("saved\r\n"));
    QCOMPARE(RecoveryStore().documents().size(), 1);
    window.reset();

    // The next start reopens the workspace and offers the kept text in a window of its own, unsaved.
    m_prompt->queueAnswer(PromptAnswer::Yes);
    window = startWindow();
    QCOMPARE(m_prompt->asked().size(), 1);
    QCOMPARE(m_prompt->asked().first().buttons, PromptButtons::YesNo);
    QVERIFY(m_prompt->asked().first().text.contains(QDir::toNativeSeparators(path)));
    QCOMPARE(subWindows(*window).size(), 3);
    auto *recovered = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 3));
    QVERIFY(recovered);
    QCOMPARE(recovered->fileName(), path);
    QCOMPARE(recovered->documentText(), QStringLiteral("typed but not saved \u00b5\r\n"));
    QVERIFY(recovered->isModified());
    QVERIFY(RecoveryStore().documents().isEmpty());
}

void TstMainWindowSession::typingIsKeptWithinThirtySecondsSoAKilledProgramLosesNoMore()
{
    writePrefs(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=0\r\n"));
    const QString path = m_dir->filePath(QStringLiteral("motion.vxt"));
    const auto kept = [] {
        QStringList texts;
        for (const RecoveredDocument &document : RecoveryStore().documents())
            texts += document.text;
        return texts;
    };
    FakeClock clock;
    auto window = startWindow(clock);
    window->newEditWindow(path);
    auto *editor = window->childWidget(WindowKind::Edit, 1)->findChild<QsciScintilla *>();
    QVERIFY(editor);

    // Typing reaches the recovery copy 30 s after the first key, however steadily it goes on.
    QTest::keyClicks(editor, QStringLiteral("MR 4000"));
    clock.advance(DocumentCommands::kRecoveryDelayMs - 1);
    QVERIFY(kept().isEmpty());
    QTest::keyClicks(editor, QStringLiteral(" H"));
    clock.advance(1);
    QCOMPARE(kept(), QStringList{QStringLiteral("MR 4000 H")});
    // More typing rewrites the one copy.
    QTest::keyClicks(editor, QStringLiteral("X"));
    clock.advance(DocumentCommands::kRecoveryDelayMs);
    QCOMPARE(kept(), QStringList{QStringLiteral("MR 4000 HX")});
    QTest::keyClicks(editor, QStringLiteral("lost"));

    // Killed: no exit runs, the window simply goes. The next start offers what was kept.
    window.reset();
    m_prompt->queueAnswer(PromptAnswer::Yes);
    window = startWindow(clock);
    QCOMPARE(m_prompt->asked().size(), 1);
    QVERIFY(m_prompt->asked().first().text.contains(QDir::toNativeSeparators(path)));
    auto *recovered = qobject_cast<EditWindow *>(window->childWidget(WindowKind::Edit, 1));
    QVERIFY(recovered);
    QCOMPARE(recovered->documentText(), QStringLiteral("MR 4000 HX"));
    QVERIFY(recovered->isModified());

    // The recovered text is kept again; once saved, its copy goes.
    clock.advance(DocumentCommands::kRecoveryDelayMs);
    QCOMPARE(kept(), QStringList{QStringLiteral("MR 4000 HX")});
    QVERIFY(recovered->saveEditFile(path));
    clock.advance(DocumentCommands::kRecoveryDelayMs);
    QVERIFY(kept().isEmpty());

    // An exit where the user lets the changes go leaves no copy to offer.
    recovered->setDocumentText(QStringLiteral("not wanted"), true);
    clock.advance(DocumentCommands::kRecoveryDelayMs);
    QCOMPARE(kept().size(), 1);
    m_prompt->queueAnswer(PromptAnswer::No);
    window->menus()->item(MenuId::File, 8)->trigger();
    QVERIFY(!window->isVisible());
    QVERIFY(kept().isEmpty());
}

QTEST_MAIN(TstMainWindowSession)
#include "tst_mainwindowsession.moc"
