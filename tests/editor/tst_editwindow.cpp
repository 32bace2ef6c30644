// Edit window: open-edit-save round trips, the modified caption, the save prompt, closing, keys, search.

#include "editor/editwindow.h"
#include "editor/findreplacedialog.h"
#include "editor/languageset.h"
#include "editor/praxislexer.h"
#include "filebytes.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "settings/recentfiles.h"
#include "ui/childwindow.h"
#include "ui/filedialogs.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray highBytes()
{
    QByteArray bytes;
    for (int b = 128; b < 256; ++b)
        bytes.append(static_cast<char>(b));
    return bytes;
}

// Keeps what the windows tell the main window about closing.
class ClosingHost final : public CommandHost
{
public:
    void setEnabled(Command, bool) override {}
    void setTip(Command, const QString &) override {}
    void showTerminalMenu(const QPoint &, bool) override {}
    void showEditMenu(const QPoint &) override {}
    void childActivated(WindowKind, int) override {}
    void childClosed(WindowKind, int slot) override { closed.append(slot); }
    DeviceType deviceFamily() const override { return Veltor; }

    QList<int> closed;
};
} // namespace

class TstEditWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void openEditSaveKeepsEveryLineByteExact_data();
    void openEditSaveKeepsEveryLineByteExact();
    void savingKeepsTheOldFileAsBackupAndAFailedWriteSaysNothing();
    void theCaptionMarksUnsavedChangesUntilUndoReturnsToTheSavedText();
    void theSavePromptSavesNamedFilesAndSendsUntitledOnesToSaveAs();
    void closingFreesTheSlotUnlessTheApplicationIsClosing();
    void windowKeysToggleOverwriteAndUndoToTheSavedState();
    void searchAndReplaceHonourCaseWholeWordsAndCountReplacements();
    void anNbtFileOpensWithTheNbLanguage();
    void aWindowTakesItsLookWhenShownUnlessItsFileGaveItOneBefore();

private:
    EditWindow *newWindow(int slot);
    Preferences m_prefs; // the windows' slots and settings
    QString m_programDir;
    ClosingHost m_host;
    LanguageSets m_languages;
    QTemporaryDir m_dir;
    ScriptedPrompt m_prompt;
    FileDialogs m_fileDialogs;
    QList<EditWindow *> m_windows;
};

void TstEditWindow::init()
{
    m_prefs = Preferences{};
    m_programDir = qEnvironmentVariable("KORVO_BIN_DIR");
    m_languages = LanguageSets{};
    QVERIFY(!m_languages.loadAll(m_prefs.styles, m_programDir));
    m_prompt.clear();
    m_host.closed.clear();
}

void TstEditWindow::cleanup()
{
    qDeleteAll(m_windows);
    m_windows.clear();
    m_fileDialogs.setRunner({});
}

EditWindow *TstEditWindow::newWindow(int slot)
{
    Preferences &state = m_prefs;
    state.ensureEditSlot(slot);
    state.editSlots[slot] = state.editSlots[0];
    state.editSlots[slot].name = QStringLiteral("Program");
    state.docCt = std::max<int16_t>(state.docCt, static_cast<int16_t>(slot));
    auto *window =
        new EditWindow(slot, state.editSlots[slot], {state.setup, state.styles, m_languages, m_programDir},
                       m_fileDialogs, m_prompt, m_host);
    // As the main window does: a file saved under a new name goes to the recent list.
    connect(window, &EditWindow::savedAs, this,
            [this](const QString &path) { addToLastOpen(m_prefs, path); });
    window->resize(600, 400);
    m_windows.append(window);
    return window;
}

void TstEditWindow::openEditSaveKeepsEveryLineByteExact_data()
{
    QTest::addColumn<QByteArray>("original");
    QTest::addColumn<QByteArray>("saved");
    const QByteArray high = highBytes();
    QTest::newRow("final line end kept, no line added")
        << QByteArray("PG 100\r\n  MA 2000   \r\n' \x80 comment \r\n") + high + "\r\n"
        << QByteArray("PG 100\r\n  MA 2000\r\n' \x80 comment\r\n") + high + "\r\n";
    QTest::newRow("last line without line end is not lost")
        << QByteArray("first\r\nlast  ") << QByteArray("first\r\nlast\r\n");
    QTest::newRow("LF and CR files are written with CR LF")
        << QByteArray("a \nb\rc\n\n") << QByteArray("a\r\nb\r\nc\r\n\r\n");
    QTest::newRow("empty lines and tabs survive")
        << QByteArray("\r\n\tx\t\r\n\r\n") << QByteArray("\r\n\tx\t\r\n\r\n");
    QTest::newRow("empty file stays empty") << QByteArray() << QByteArray();
    QTest::newRow("NUL and control bytes are kept")
        << QByteArray("a\0b\x1A\r\n", 6) << QByteArray("a\0b\x1A\r\n", 6);
}

void TstEditWindow::openEditSaveKeepsEveryLineByteExact()
{
    QFETCH(QByteArray, original);
    QFETCH(QByteArray, saved);
    const QString path = m_dir.filePath(QStringLiteral("roundtrip.vxt"));
    writeAll(path, original);
    EditWindow *window = newWindow(1);
    window->openEditFile(path);
    QVERIFY(!window->isModified());

    // An edit that is taken back by a second one: the text is unchanged but the window must save.
    window->editor()->setCursorPosition(0, 0);
    QTest::keyClicks(window->editor(), QStringLiteral("Z"));
    QVERIFY(window->isModified());
    QTest::keyClick(window->editor(), Qt::Key_Backspace);
    window->setModified(true);

    QVERIFY(window->saveEditFile(path));
    QCOMPARE(fileBytes(path), saved);
    QVERIFY(!window->isModified());
}

void TstEditWindow::savingKeepsTheOldFileAsBackupAndAFailedWriteSaysNothing()
{
    const QString dir = m_dir.filePath(QStringLiteral("work.dir"));
    QVERIFY(QDir().mkpath(dir));
    const QString path = dir + QStringLiteral("/prog");
    writeAll(path, "old\r\n");
    writeAll(dir + QStringLiteral("/prog.bak"), "older\r\n");
    EditWindow *window = newWindow(1);
    window->openEditFile(path);
    window->setDocumentText(QStringLiteral("new\r\n"), true);
    QVERIFY(window->saveEditFile(path, KeepBackup::Yes));
    QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
    QCOMPARE(fileBytes(dir + QStringLiteral("/prog.bak")), QByteArray("old\r\n"));
    // Only File Save asks for the backup; other saves leave it as it was.
    window->setDocumentText(QStringLiteral("new\r\n"), true);
    QVERIFY(window->saveEditFile(path));
    QCOMPARE(fileBytes(dir + QStringLiteral("/prog.bak")), QByteArray("old\r\n"));

    window->setDocumentText(QStringLiteral("newer\r\n"), true);
    QVERIFY(!window->saveEditFile(m_dir.filePath(QStringLiteral("missing/dir/prog.vxt"))));
    QVERIFY(window->isModified());
    QVERIFY(window->windowTitle().endsWith(QStringLiteral(" *")));
    QVERIFY(m_prompt.asked().isEmpty());
    QCOMPARE(fileBytes(path), QByteArray("new\r\n"));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 2); // no temporary file left behind
}

void TstEditWindow::theCaptionMarksUnsavedChangesUntilUndoReturnsToTheSavedText()
{
    const QString path = m_dir.filePath(QStringLiteral("motion.kxt"));
    writeAll(path, "move 100\r\n");
    EditWindow *window = newWindow(1);
    window->openEditFile(path);
    QCOMPARE(window->windowTitle(), QStringLiteral("motion.kxt"));

    QTest::keyClicks(window->editor(), QStringLiteral("ab"));
    QCOMPARE(window->windowTitle(), QStringLiteral("motion.kxt *"));
    QVERIFY(m_prefs.editSlots[1].modified);
    window->undo();
    QCOMPARE(window->windowTitle(), QStringLiteral("motion.kxt"));
    QVERIFY(!m_prefs.editSlots[1].modified);
    window->redo();
    QCOMPARE(window->windowTitle(), QStringLiteral("motion.kxt *"));
    QVERIFY(window->saveEditFile(path));
    QCOMPARE(window->windowTitle(), QStringLiteral("motion.kxt"));

    m_prefs.setup.useFileName = 0;
    window->openEditFile(path);
    QCOMPARE(window->windowTitle(), QStringLiteral("Program"));
}

void TstEditWindow::theSavePromptSavesNamedFilesAndSendsUntitledOnesToSaveAs()
{
    EditWindow *untitled = newWindow(1);
    untitled->setDocumentText(QStringLiteral("end\r\n"), true);
    QStringList dialogTitles;
    const QString chosen = m_dir.filePath(QStringLiteral("chosen.vxt"));
    m_fileDialogs.setRunner([&](const FileDialogRequest &request) -> std::optional<QString> {
        dialogTitles.append(request.title);
        return chosen;
    });
    m_prompt.queueAnswer(PromptAnswer::Yes);
    QVERIFY(untitled->checkSave());
    QCOMPARE(m_prompt.asked().size(), 1);
    QCOMPARE(m_prompt.asked()[0].text, QStringLiteral("Save Changes to Program?"));
    QCOMPARE(m_prompt.asked()[0].title, QStringLiteral("Save Changes"));
    QCOMPARE(m_prompt.asked()[0].buttons, PromptButtons::YesNoCancel);
    QCOMPARE(dialogTitles, QStringList{QStringLiteral("Select Program File")});
    QCOMPARE(fileBytes(chosen), QByteArray("end\r\n"));
    QCOMPARE(untitled->fileName(), chosen);
    QCOMPARE(m_prefs.recentFiles, QStringList{chosen});
    QCOMPARE(untitled->windowTitle(), QStringLiteral("chosen.vxt"));

    const QString named = m_dir.filePath(QStringLiteral("Program1.kxt"));
    EditWindow *window = newWindow(2);
    window->openEditFile(named);
    window->setDocumentText(QStringLiteral("home\r\n"), true);
    m_prompt.clear();
    m_prompt.queueAnswer(PromptAnswer::Cancel);
    QVERIFY(!window->checkSave());
    QVERIFY(!QFile::exists(named));
    m_prompt.queueAnswer(PromptAnswer::No);
    QVERIFY(window->checkSave());
    QVERIFY(!QFile::exists(named));
    m_prompt.queueAnswer(PromptAnswer::Yes);
    QVERIFY(window->checkSave());
    QCOMPARE(fileBytes(named), QByteArray("home\r\n"));
    QCOMPARE(dialogTitles.size(), 1);
    m_prompt.clear();
    QVERIFY(window->checkSave()); // nothing left to save: no question
    QVERIFY(m_prompt.asked().isEmpty());
}

void TstEditWindow::closingFreesTheSlotUnlessTheApplicationIsClosing()
{
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    EditWindow *first = newWindow(1);
    EditWindow *second = newWindow(2);
    m_windows.clear(); // owned by their sub-windows from here on
    QMdiSubWindow *firstFrame = area.addSubWindow(first);
    QMdiSubWindow *secondFrame = area.addSubWindow(second);
    firstFrame->setGeometry(10, 20, 300, 200);
    firstFrame->show();
    secondFrame->showMaximized();

    first->setDocumentText(QStringLiteral("x"), true);
    m_prompt.queueAnswer(PromptAnswer::Cancel);
    QVERIFY(!firstFrame->close());
    QCOMPARE(m_prefs.editSlots[1].state, int16_t(0));

    m_prompt.queueAnswer(PromptAnswer::No);
    QVERIFY(firstFrame->close());
    QCOMPARE(m_prefs.editSlots[1].state, kSlotFree);
    QCOMPARE(m_prefs.findNext(WindowKind::Edit), 1);

    second->setClosingApplication(true);
    QVERIFY(secondFrame->close());
    QCOMPARE(m_prefs.editSlots[2].state, int16_t(2));
    QCOMPARE(m_host.closed, (QList<int>{1, 2}));
}

void TstEditWindow::windowKeysToggleOverwriteAndUndoToTheSavedState()
{
    EditWindow *window = newWindow(1);
    window->show(); // the editor reports caret moves when it updates its view
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QsciScintilla *editor = window->editor();
    QCOMPARE(window->statusText(3), QStringLiteral("INS"));
    QTest::keyClick(editor, Qt::Key_Insert);
    QVERIFY(window->overwriteMode());
    QCOMPARE(window->statusText(3), QStringLiteral("OVR"));
    QTest::keyClick(editor, Qt::Key_Insert);
    QCOMPARE(window->statusText(3), QStringLiteral("INS"));

    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::keyClicks(editor, QStringLiteral("de"));
    editor->repaint();
    QCOMPARE(window->statusText(6), QStringLiteral("2"));
    QCOMPARE(window->statusText(7), QStringLiteral("3"));
    QVERIFY(window->isModified());
    while (editor->isUndoAvailable())
        QTest::keyClick(editor, Qt::Key_Backspace, Qt::AltModifier);
    QCOMPARE(window->documentText(), QString());
    QVERIFY(!window->isModified());

    window->setDocumentText(QStringLiteral("cut me"), false);
    editor->selectAll(true);
    QTest::keyClick(editor, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(window->documentText(), QString());
    QTest::keyClick(editor, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(window->documentText(), QStringLiteral("cut me"));
}

void TstEditWindow::searchAndReplaceHonourCaseWholeWordsAndCountReplacements()
{
    EditWindow *window = newWindow(1);
    window->setDocumentText(QStringLiteral("aa Move moved\r\nmove aa\r\n"), false);
    window->editor()->setCursorPosition(0, 0);
    QVERIFY(window->findText({QStringLiteral("move"), true, true, true}));
    int line = -1, index = -1;
    window->editor()->getCursorPosition(&line, &index);
    QCOMPARE(line, 1);
    QVERIFY(!window->findText({QStringLiteral("MOVED"), true, false, true}));

    // Replacing "aa" by "aaa" must not find its own replacement again.
    QCOMPARE(window->replaceAll({QStringLiteral("aa"), false, false, true}, QStringLiteral("aaa")), 2);
    QCOMPARE(window->documentText(), QStringLiteral("aaa Move moved\r\nmove aaa\r\n"));
    QCOMPARE(window->replaceAll({QStringLiteral("move"), false, true, true}, QStringLiteral("go")), 2);
    QCOMPARE(window->documentText(), QStringLiteral("aaa go moved\r\ngo aaa\r\n"));

    window->editor()->setCursorPosition(0, 0);
    const SearchOptions go{QStringLiteral("go"), true, true, false};
    QVERIFY(window->replaceAndFindNext(go, QStringLiteral("run"))); // first press only finds
    QCOMPARE(window->selectedText(), QStringLiteral("go"));
    QVERIFY(window->replaceAndFindNext(go, QStringLiteral("run")));
    QVERIFY(!window->replaceAndFindNext(go, QStringLiteral("run"))); // no wrap: nothing after the last
    QCOMPARE(window->documentText(), QStringLiteral("aaa run moved\r\nrun aaa\r\n"));
    window->undo();
    QVERIFY(window->documentText().startsWith(QStringLiteral("aaa run moved\r\ngo")));

    // The dialog drives the same search and reports its outcome in its own message line.
    window->replace();
    FindReplaceDialog *dialog = window->findChild<FindReplaceDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    dialog->findField()->setText(QStringLiteral("AAA"));
    dialog->replaceField()->setText(QStringLiteral("b"));
    dialog->matchCaseBox()->setChecked(true);
    dialog->replaceAllPressed();
    QCOMPARE(dialog->message(), QStringLiteral("0 occurrences replaced."));
    dialog->matchCaseBox()->setChecked(false);
    dialog->replaceAllPressed();
    QCOMPARE(dialog->message(), QStringLiteral("2 occurrences replaced."));
    dialog->findField()->setText(QStringLiteral("zzz"));
    dialog->findNextPressed();
    QCOMPARE(dialog->message(), QStringLiteral("Cannot find \"zzz\"."));
}

void TstEditWindow::anNbtFileOpensWithTheNbLanguage()
{
    EditWindow *window = newWindow(1);
    const QString path = m_dir.filePath(QStringLiteral("test.NBT"));
    writeAll(path, "VA x = 1\r\n");
    window->openEditFile(path);
    QCOMPARE(int(m_prefs.editSlots[1].fileKind), int(Norbel));
    window->editor()->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    QCOMPARE(window->editor()->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL), long(TokenKeyword));
    window->setFileType(QStringLiteral("TXT"));
    QCOMPARE(int(m_prefs.editSlots[1].fileKind), int(PlainText));
    QVERIFY(!window->editor()->lexer());
}

void TstEditWindow::aWindowTakesItsLookWhenShownUnlessItsFileGaveItOneBefore()
{
    // An untitled window shows plain text in the plain style.
    m_prefs.styles[1].font = QStringLiteral("No Such Family 5C1D");
    m_prefs.styles[1].size = 13;
    QVERIFY(!m_languages.loadKeyWords(PlainText, m_prefs.styles, m_programDir));
    EditWindow *untitled = newWindow(1);
    untitled->show();
    QVERIFY(!untitled->editor()->lexer());
    const ViewParameters &plain = m_languages.set(PlainText).view;
    QCOMPARE(untitled->editor()->font(), editorFont(plain.font, plain.size, plain.bold, plain.italic));

    // A program opened before the window shows keeps its colouring.
    EditWindow *program = newWindow(2);
    const QString path = m_dir.filePath(QStringLiteral("axis.vxt"));
    writeAll(path, "MOVE 100\r\n");
    program->openEditFile(path);
    program->show();
    QVERIFY(qobject_cast<PraxisLexer *>(program->editor()->lexer()));
    program->editor()->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    QCOMPARE(program->editor()->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL), long(TokenKeyword));
}

QTEST_MAIN(TstEditWindow)
#include "tst_editwindow.moc"
