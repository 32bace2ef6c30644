// The upload/download dialog on a terminal window talking to the simulated controller over a pty: what it
// shows per device type, its Edit Window choice, an upload into a file, an upload into an edit window that
// shows its lines as they arrive, and a download that Cancel stops.

#include "app/clock.h"
#include "editor/editwindow.h"
#include "fakeclock.h"
#include "functionkeys/capturefile.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "sim/memoryresponder.h"
#include "sim/simpty.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "terminal/terminalfunctions.h"
#include "terminal/terminalview.h"
#include "tools/ramviewerwindow.h"
#include "transfer/listingdiffview.h"
#include "transfer/transferdialog.h"
#include "ui/filedialogs.h"

#include <Qsci/qsciscintilla.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
// A terminal window on slot 1 connected to a simulated device with its demo memory.
struct Terminal
{
    Terminal(Prompt &prompt, DeviceType device, Clock &clock = systemClock())
        : controller(device), responder(controller, DeviceMemory::demo(device)), pty(controller)
    {
        QString error;
        opened = pty.open(&error);
        settings.portName = pty.path();
        settings.connected = true;
        settings.device = device;
        window = std::make_unique<CommWindow>(1, settings, clock, systemLinkFactory(), capture,
                                              realFileDialogs(), prompt, host, QString());
    }
    ControllerSim controller;
    MemoryResponder responder;
    SimPty pty;
    bool opened = false;
    CommWindowSettings settings;
    CaptureFile capture;
    IdleCommandHost host;
    std::unique_ptr<CommWindow> window;
};

// A file was the last target; no edit window is open.
TransferSetup fileTarget()
{
    TransferSetup setup;
    setup.memory.toFile = true;
    return setup;
}
} // namespace

class TstTransferDialog : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_prompt.clear(); }
    void theDataTypesFollowTheDeviceType_data();
    void theDataTypesFollowTheDeviceType();
    void choosingTheEditWindowWithoutOneIsRefused();
    void anUploadIntoAFileShowsItsProgressAndEnds();
    void anUploadIntoTheEditWindowShowsEachLineAsItArrives();
    void cancelStopsADownloadThatGetsNoEcho();
    void aRunningUploadKeepsTheLinkAgainstKeysAndOtherJobs();

private:
    ScriptedPrompt m_prompt;
};

void TstTransferDialog::theDataTypesFollowTheDeviceType_data()
{
    QTest::addColumn<DeviceType>("device");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("box0");
    QTest::addColumn<QString>("box1"); // empty: hidden
    QTest::addColumn<bool>("programs");
    QTest::newRow("uKorvo") << UKorvo << "uKorvo Upload"
                            << "Variables"
                            << "Flags" << true;
    QTest::newRow("926Q") << Q926 << "OLD Indexer Upload"
                          << "Micro-Position Table"
                          << "Variables" << true;
    QTest::newRow("HMI") << Hmi << "HMI Upload"
                         << "Registers"
                         << "Parameters" << true;
    QTest::newRow("Veltor") << Veltor << "Veltor Indexer Upload"
                            << "Variables"
                            << "" << true;
    QTest::newRow("Fendra") << Fendra << "Norbel Indexer Upload"
                            << "Variables"
                            << "" << true;
    QTest::newRow("NB") << Norbel << "Norbel Drive (NBC, NBM, NBO, NBT): Upload"
                        << "Variables"
                        << "" << false;
}

void TstTransferDialog::theDataTypesFollowTheDeviceType()
{
    QFETCH(DeviceType, device);
    QFETCH(QString, caption);
    QFETCH(QString, box0);
    QFETCH(QString, box1);
    QFETCH(bool, programs);
    Terminal terminal(m_prompt, device);
    QWidget host;
    TransferDialog *dialog =
        TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Upload,
                             terminal.window.get(), nullptr, fileTarget());
    QCOMPARE(dialog->windowTitle(), caption);
    QCOMPARE(dialog->box(0)->text().remove(u'&'), box0);
    QCOMPARE(dialog->box(1)->isVisibleTo(dialog), !box1.isEmpty());
    if (!box1.isEmpty())
        QCOMPARE(dialog->box(1)->text().remove(u'&'), box1);
    QCOMPARE(dialog->box(2)->isVisibleTo(dialog), programs);
    QCOMPARE(dialog->startButton()->text().remove(u'&'), QStringLiteral("Upload"));
    // The same dialog comes back for a download.
    QCOMPARE(TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Download,
                                  terminal.window.get(), nullptr, fileTarget()),
             dialog);
    QCOMPARE(dialog->startButton()->text().remove(u'&'), QStringLiteral("Download"));
}

void TstTransferDialog::choosingTheEditWindowWithoutOneIsRefused()
{
    Terminal terminal(m_prompt, Veltor);
    QWidget host;
    TransferDialog *dialog =
        TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Upload,
                             terminal.window.get(), nullptr, fileTarget());
    QVERIFY(dialog->fileOption()->isChecked());
    dialog->editOption()->click();
    QCOMPARE(m_prompt.asked().size(), 1);
    QCOMPARE(m_prompt.asked().first().text,
             QStringLiteral("There are NO Edit Windows.\r\nOpen an Edit Window, then try again."));
    QVERIFY(dialog->fileOption()->isChecked());
    QVERIFY(dialog->fileNameEdit()->isEnabled());
}

void TstTransferDialog::anUploadIntoAFileShowsItsProgressAndEnds()
{
    Terminal terminal(m_prompt, UKorvo);
    QVERIFY(terminal.opened);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("up.kxt"));
    QWidget host;
    // The file last downloaded is not offered as the upload's destination.
    TransferSetup setup = fileTarget();
    setup.memory.fileName = dir.filePath(QStringLiteral("big.kxt"));
    TransferDialog *dialog = TransferDialog::open(
        &host, realFileDialogs(), m_prompt, TransferJob::Kind::Upload, terminal.window.get(), nullptr, setup);
    QVERIFY(dialog->fileNameEdit()->text().isEmpty());
    dialog->box(0)->setChecked(true);
    dialog->fileNameEdit()->setText(path);
    QSignalSpy ended(dialog, &TransferDialog::jobEnded);
    QSignalSpy memories(dialog, &TransferDialog::memoryChanged);
    QTest::mouseClick(dialog->startButton(), Qt::LeftButton);
    QVERIFY(dialog->isRunning());
    QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("Uploading VARIABLES"));
    QVERIFY(!dialog->startButton()->isVisibleTo(dialog));
    // One command whose answer has no known length: the bar shows work going on, not a share of it.
    QCOMPARE(dialog->progressBar()->maximum(), 0);
    QVERIFY(ended.wait(10'000));
    QVERIFY(ended.first().at(0).toBool());
    QVERIFY(dialog->isHidden());
    QVERIFY(dialog->figuresLabel()->text().startsWith(QStringLiteral("5 lines, ")));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("'[VARIABLES]\r\nVAR X = 100\r\nVAR Y = -25\r\nVAR SPEED = 2500\r\n'[END]\r\n"));
    // The start is remembered whole for the next opening, the upload's file apart from the download's.
    QVERIFY(!memories.isEmpty());
    const TransferMemory remembered = memories.last().at(0).value<TransferMemory>();
    QCOMPARE(remembered.uploadFileName, path);
    QCOMPARE(remembered.fileName, setup.memory.fileName);
    QCOMPARE(remembered.sections, 1);

    // Reopened from what was remembered, each job offers its own file and the last start's boxes and
    // address; what is changed and then left with Cancel is not remembered.
    setup.memory = remembered;
    setup.memory.startAddress = QStringLiteral("100");
    TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Download,
                         terminal.window.get(), nullptr, setup);
    QCOMPARE(dialog->fileNameEdit()->text(), setup.memory.fileName);
    QVERIFY(dialog->box(0)->isChecked());
    QCOMPARE(dialog->addressEdit()->text(), QStringLiteral("100"));
    dialog->box(0)->setChecked(false);
    dialog->addressEdit()->setText(QStringLiteral("7"));
    dialog->cancelButton()->click();
    QVERIFY(dialog->isHidden());
    setup.memory.startAddress.clear();
    TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Upload, terminal.window.get(),
                         nullptr, setup);
    QCOMPARE(dialog->fileNameEdit()->text(), path);
    QVERIFY(dialog->box(0)->isChecked());
    QVERIFY(dialog->addressEdit()->text().isEmpty());
    // Uploading onto a file that exists asks first; No leaves it alone, sends nothing and shows no
    // progress word.
    const QByteArray sent = terminal.controller.received();
    m_prompt.queueAnswer(PromptAnswer::No);
    dialog->startButton()->click();
    QCOMPARE(m_prompt.asked().last().text,
             path + QStringLiteral(" already exists.\r\nReplace it with the upload when the upload ends?"));
    QVERIFY(!dialog->isRunning());
    QCOMPARE(terminal.controller.received(), sent);
    QVERIFY(dialog->messageLabel()->text().isEmpty());
    QVERIFY(dialog->startButton()->isVisibleTo(dialog));
    // A folder that is not there is told before anything starts; the dialog keeps what was chosen.
    const QString lost = dir.filePath(QStringLiteral("gone/up.kxt"));
    dialog->fileNameEdit()->setText(lost);
    dialog->startButton()->click();
    QCOMPARE(m_prompt.asked().last().text,
             QStringLiteral("The folder %1 does not exist.").arg(dir.filePath(QStringLiteral("gone"))));
    QVERIFY(!dialog->isRunning());
    QCOMPARE(terminal.controller.received(), sent);
    QCOMPARE(dialog->fileNameEdit()->text(), lost);
    QVERIFY(dialog->box(0)->isChecked());
}

void TstTransferDialog::anUploadIntoTheEditWindowShowsEachLineAsItArrives()
{
    // The device answers over the pty at once; the silence that ends each section is the fake clock's, so
    // the upload waits after every section until the test moves time on.
    FakeClock clock;
    Terminal terminal(m_prompt, UKorvo, clock);
    QVERIFY(terminal.opened);
    Preferences prefs;
    prefs.ensureEditSlot(1);
    prefs.editSlots[1].name = QStringLiteral("Program");
    IdleCommandHost editHost;
    LanguageSets languages;
    EditWindow edit(1, prefs.editSlots[1], {prefs.setup, prefs.styles, languages, QString()},
                    realFileDialogs(), m_prompt, editHost);
    edit.resize(600, 400);
    edit.setFileType(QStringLiteral("KXT")); // a uKorvo program, coloured as one
    edit.setDocumentText(QStringLiteral("old text\r\n"), true);
    QWidget host;
    TransferDialog *dialog =
        TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Upload,
                             terminal.window.get(), &edit, TransferSetup{});
    QVERIFY(dialog->editOption()->isChecked());
    dialog->box(0)->setChecked(true);
    dialog->box(1)->setChecked(true);
    QSignalSpy ended(dialog, &TransferDialog::jobEnded);
    QSignalSpy changes(&edit, &EditWindow::documentChanged);
    edit.showMinimized();
    // The window holds changes: the upload replaces them only when the user says so.
    m_prompt.queueAnswer(PromptAnswer::No);
    dialog->startButton()->click();
    QVERIFY(!dialog->isRunning());
    QCOMPARE(m_prompt.asked().last().text,
             QStringLiteral("Program has changes that are not saved.\r\nReplace its text with the upload?"));
    QCOMPARE(edit.documentText(), QStringLiteral("old text\r\n"));
    m_prompt.queueAnswer(PromptAnswer::Yes);
    dialog->startButton()->click();
    QVERIFY(dialog->isRunning());
    m_prompt.clear();
    // The window being filled is brought into sight.
    QVERIFY(edit.isVisible());
    QVERIFY(!edit.isMinimized());
    // Sections of unknown length: a busy bar and the counters, not a share that stands still.
    QCOMPARE(dialog->progressBar()->maximum(), 0);
    QVERIFY(dialog->figuresLabel()->text().startsWith(QStringLiteral("Section 1 of 2\n0 lines, 0 bytes")));

    const QString variables =
        QStringLiteral("'[VARIABLES]\r\nVAR X = 100\r\nVAR Y = -25\r\nVAR SPEED = 2500\r\n");
    QTRY_COMPARE(edit.documentText(), variables);
    QVERIFY(dialog->isRunning());
    QVERIFY(edit.isModified());
    // Each arriving piece is a change the recovery copies hear of.
    QVERIFY(changes.size() >= 4);
    QsciScintilla *editor = edit.editor();
    // The user works in the first lines while the rest arrives; what is coloured stays coloured.
    editor->setCursorPosition(1, 4);
    editor->SendScintilla(QsciScintillaBase::SCI_COLOURISE, 0UL, -1L);
    const long styled = editor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED);
    QCOMPARE(styled, long(variables.size()));

    clock.advance(clock.nextDeadline() - clock.nowMs());
    QTRY_VERIFY(edit.documentText().endsWith(QStringLiteral("FLG FAULT = 0\r\n")));
    QVERIFY(dialog->isRunning());
    QCOMPARE(dialog->progressBar()->maximum(), 0);
    QVERIFY(dialog->figuresLabel()->text().startsWith(QStringLiteral("Section 2 of 2\n5 lines, ")));
    QVERIFY(dialog->figuresLabel()->text().contains(QStringLiteral("Last byte ")));
    QVERIFY(editor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) >= styled);
    int line = 0;
    int column = 0;
    editor->getCursorPosition(&line, &column);
    QCOMPARE(line, 1);
    QCOMPARE(column, 4);

    // The title bar's X is Cancel: the window keeps what arrived, and the job reads on until the device
    // is silent, in sight.
    dialog->close();
    QVERIFY(dialog->isVisible());
    QVERIFY(ended.isEmpty());
    QCOMPARE(dialog->messageLabel()->text(),
             QStringLiteral("Cancelled: reading the rest of the device's answer until it is silent"));
    clock.advance(clock.nextDeadline() - clock.nowMs());
    QCOMPARE(ended.size(), 1);
    QVERIFY(
        dialog->messageLabel()->text().startsWith(QStringLiteral("Cancelled\r\nThe rest of the device's")));
    QCOMPARE(edit.documentText(),
             variables + QStringLiteral("\r\n'[FLAGS]\r\nFLG HOMED = 1\r\nFLG FAULT = 0\r\n"));
    QVERIFY(edit.isModified());
    // The dialog hides once the job has ended, so what it has to say is told once more as a note.
    QCOMPARE(m_prompt.asked().size(), 1);
    QCOMPARE(m_prompt.asked().first().icon, PromptIcon::Information);
    QVERIFY(m_prompt.asked().first().text.startsWith(QStringLiteral("The rest of the device's")));
    // The upload is one change to the window: one Undo brings the old text back, still modified, and
    // Redo the upload again.
    edit.undo();
    QCOMPARE(edit.documentText(), QStringLiteral("old text\r\n"));
    QVERIFY(edit.isModified());
    edit.redo();
    QVERIFY(edit.documentText().endsWith(QStringLiteral("FLG FAULT = 0\r\n")));
    // An unmodified window is replaced unasked, and Undo brings it back unmodified.
    edit.setDocumentText(QStringLiteral("saved\r\n"), false);
    dialog->show();
    dialog->startButton()->click();
    QVERIFY(dialog->isRunning());
    QCOMPARE(m_prompt.asked().size(), 1);
    QTRY_VERIFY(edit.documentText().endsWith(QStringLiteral("VAR SPEED = 2500\r\n")));
    clock.advance(clock.nextDeadline() - clock.nowMs());
    QTRY_VERIFY(edit.documentText().endsWith(QStringLiteral("FLG FAULT = 0\r\n")));
    clock.advance(clock.nextDeadline() - clock.nowMs());
    QCOMPARE(ended.size(), 2);
    QVERIFY(ended.last().at(0).toBool());
    // The dialog closes on success; the terminal says how it went.
    QVERIFY(dialog->isHidden());
    QVERIFY2(terminal.window->panels()
                 .text(QStringLiteral("msg"))
                 .startsWith(QStringLiteral("Upload done: 9 lines, ")),
             qPrintable(terminal.window->panels().text(QStringLiteral("msg"))));
    edit.undo();
    QCOMPARE(edit.documentText(), QStringLiteral("saved\r\n"));
    QVERIFY(!edit.isModified());
}

void TstTransferDialog::cancelStopsADownloadThatGetsNoEcho()
{
    FakeClock clock;
    Terminal terminal(m_prompt, Veltor, clock);
    terminal.controller.setSilent(true);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("down.vxt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("PG 100  \r\n100  VA A = 1\r\n        PG\r\n");
    file.close();
    QWidget host;
    TransferDialog *dialog =
        TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Download,
                             terminal.window.get(), nullptr, fileTarget());
    dialog->fileNameEdit()->setText(path);
    QTRY_VERIFY(dialog->isVisible());
    const int width = dialog->width();
    QSignalSpy ended(dialog, &TransferDialog::jobEnded);
    dialog->startButton()->click();
    QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("Downloading"));
    QTRY_COMPARE(terminal.controller.received(), QByteArray("PG 100  \r"));
    QVERIFY(ended.isEmpty());
    // A download's lines are known: the bar shows their share.
    QCOMPARE(dialog->progressBar()->maximum(), 3);
    // The figures wrap within the dialog: it keeps its width and every figure is in sight.
    QLabel *figures = dialog->figuresLabel();
    QVERIFY(figures->text().contains(QStringLiteral(" of 3 lines, ")));
    QTRY_VERIFY(figures->height() >= figures->heightForWidth(figures->width()));
    QCOMPARE(dialog->width(), width);
    dialog->cancelButton()->click();
    QCOMPARE(ended.size(), 1);
    QVERIFY(!dialog->isRunning());
    // Cancel ends the job and, once it has ended, hides the dialog. Stopped inside the program: the user
    // is told, with the line that closes it.
    QVERIFY(dialog->isHidden());
    const QString programMode =
        QStringLiteral("The controller is left in program mode: send the line \"PG\" to close the program.");
    QCOMPARE(dialog->messageLabel()->text(), QStringLiteral("Cancelled\r\n") + programMode);
    QCOMPARE(m_prompt.asked().size(), 1);
    QCOMPARE(m_prompt.asked().first().text, programMode);
    // The terminal has its link back.
    QVERIFY(!terminal.window->link().hasEngine());

    // Opened for a verify, the dialog shows nothing of the download before it. A device that answers
    // (on the system clock) differs from the listing: the table names its columns by what they hold,
    // one text line per row. Read Twice: every command goes twice.
    Terminal answering(m_prompt, Veltor);
    TransferDialog::open(&host, realFileDialogs(), m_prompt, TransferJob::Kind::Verify,
                         answering.window.get(), nullptr, fileTarget());
    QVERIFY(figures->text().isEmpty());
    QVERIFY(!figures->isVisibleTo(dialog));
    QVERIFY(!dialog->messageLabel()->isVisibleTo(dialog));
    QVERIFY(!dialog->readTwiceBox()->isChecked());
    dialog->readTwiceBox()->setChecked(true);
    dialog->fileNameEdit()->setText(path);
    QSignalSpy memories(dialog, &TransferDialog::memoryChanged);
    dialog->startButton()->click();
    QVERIFY(ended.wait(10'000));
    QCOMPARE(ended.size(), 2);
    QVERIFY(memories.last().at(0).value<TransferMemory>().readTwice);
    QCOMPARE(answering.controller.commands(), (QList<QByteArray>{"l", "l"}));
    auto *view = dialog->findChild<ListingDiffView *>();
    QVERIFY(view);
    auto *table = view->findChild<QTableWidget *>();
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Listing"));
    QCOMPARE(table->horizontalHeaderItem(3)->text(), QStringLiteral("Device"));
    QVERIFY(table->rowCount() > 0);
    QVERIFY(table->rowHeight(0) < table->fontMetrics().lineSpacing() * 3 / 2 + 2);
}

void TstTransferDialog::aRunningUploadKeepsTheLinkAgainstKeysAndOtherJobs()
{
    Terminal terminal(m_prompt, UKorvo);
    QVERIFY(terminal.opened);
    terminal.settings.keys.resize(10);
    terminal.settings.keys[0] = {QStringLiteral("Status"), QStringLiteral("pr st^M")};
    CommWindow &window = *terminal.window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    window.view().setFocus();
    // Without a transfer a key typed at the window reaches the device.
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    QTRY_COMPARE(terminal.controller.received(), QByteArray("\r"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("up.kxt"));
    TransferDialog *dialog = TransferDialog::open(&window, realFileDialogs(), m_prompt,
                                                  TransferJob::Kind::Upload, &window, nullptr, fileTarget());
    dialog->box(0)->setChecked(true);
    dialog->fileNameEdit()->setText(path);
    QSignalSpy ended(dialog, &TransferDialog::jobEnded);
    dialog->startButton()->click();
    QVERIFY(dialog->isRunning());
    // Typed keys and function keys at the terminal do not reach the link while the upload runs, and the
    // status row says why, within its width.
    QTest::keyClick(window.windowHandle(), Qt::Key_Q);
    StatusPanels &panels = window.panels();
    QVERIFY2(
        panels.text(QStringLiteral("msg")).startsWith(QStringLiteral("Upload is running on this terminal")),
        qPrintable(panels.text(QStringLiteral("msg"))));
    panels.setText(QStringLiteral("msg"), QString());
    QTest::keyClick(window.windowHandle(), Qt::Key_F1);
    QVERIFY(
        panels.text(QStringLiteral("msg")).startsWith(QStringLiteral("Upload is running on this terminal")));
    QVERIFY(panels.panelRect(QStringLiteral("msg")).right() < panels.width());
    // A tool window asking for the link is told which job holds it; the upload goes on untouched.
    RamViewerWindow viewer;
    viewer.setTerminal(&window.link());
    viewer.read();
    QVERIFY2(viewer.dumpText().startsWith(QStringLiteral("Upload is running on this terminal")),
             qPrintable(viewer.dumpText()));
    QVERIFY(dialog->isRunning());

    QVERIFY(ended.wait(10'000));
    QVERIFY(ended.first().at(0).toBool());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             QByteArray("'[VARIABLES]\r\nVAR X = 100\r\nVAR Y = -25\r\nVAR SPEED = 2500\r\n'[END]\r\n"));
    QVERIFY(!terminal.controller.received().contains('q'));
    QVERIFY(!terminal.controller.received().contains("pr st"));
    QVERIFY(m_prompt.asked().isEmpty());

    // A function key holding the link refuses the dialog's start with one message naming it, and goes on.
    terminal.settings.keys[1] = {QStringLiteral("Loop"), QStringLiteral("z^p^r0")};
    QTest::keyClick(window.windowHandle(), Qt::Key_F2);
    QVERIFY(window.functions().runner().isRunning());
    TransferDialog::open(&window, realFileDialogs(), m_prompt, TransferJob::Kind::Upload, &window, nullptr,
                         fileTarget());
    dialog->startButton()->click();
    QVERIFY(!dialog->isRunning());
    QCOMPARE(m_prompt.asked().size(), 1);
    QVERIFY2(m_prompt.asked().first().text.startsWith(QStringLiteral("Function key F2 is running")),
             qPrintable(m_prompt.asked().first().text));
    QVERIFY(window.functions().runner().isRunning());
    dialog->cancelButton()->click();
    window.functions().runner().stop();
}

QTEST_MAIN(TstTransferDialog)
#include "tst_transferdialog.moc"
