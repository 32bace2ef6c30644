// Capture from the Transfer menu while the transfer dialog uploads from and downloads to the simulated
// controller over a kernel pty: the capture file holds exactly the bytes the controller put on the line,
// and a pause leaves out exactly what came while it lasted, though the upload itself keeps everything. The
// menu items and the terminal's "capture" panel follow each step, and a file that cannot be opened is told.

#include "app/programoptions.h"
#include "filebytes.h"
#include "functionkeys/capturefile.h"
#include "link/commlink.h"
#include "scriptedprompt.h"
#include "shell/childwindows.h"
#include "shell/mainmenus.h"
#include "shell/mainwindow.h"
#include "sim/memoryresponder.h"
#include "sim/simpty.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "transfer/transferdialog.h"
#include "ui/command.h"
#include "ui/filedialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

class TstCaptureEndToEnd : public QObject
{
    Q_OBJECT
    ScriptedPrompt m_prompt;
    QTemporaryDir m_dir;

    // The Transfer menu as the user has it: 3 "&Capture", 4 "&Pause Capture"/"&Resume Capture", 5 "&Stop
    // Capture"; the file dialog answers with path.
    void captureItem(MainWindow &window, int index, const QString &path = QString())
    {
        window.fileDialogs().setRunner(
            [path](const FileDialogRequest &) -> std::optional<QString> { return path; });
        window.menus()->item(MenuId::Transfer, index)->trigger();
        window.fileDialogs().setRunner({});
    }

    // Runs the transfer dialog's job from the Transfer menu (upload or download) on a listing file.
    bool transfer(MainWindow &window, bool download, const QString &listing)
    {
        window.runCommand(download ? Command::Download : Command::Upload);
        auto *dialog = window.findChild<TransferDialog *>();
        if (!dialog || !dialog->isVisible())
            return false;
        if (!download)
            for (int box = 0; box < 3; ++box)
                dialog->box(box)->setChecked(true);
        dialog->fileNameEdit()->setText(listing);
        QSignalSpy ended(dialog, &TransferDialog::jobEnded);
        dialog->startButton()->click();
        return (!ended.isEmpty() || ended.wait(30'000)) && ended.first().at(0).toBool();
    }

private Q_SLOTS:
    void cleanup() { m_prompt.clear(); }

    void captureHoldsWhatTheControllerSentDuringTransfersLessThePausedPart()
    {
        // A uKorvo answers an upload of all sections with three commands: variables, flags, programs.
        ControllerSim controller(UKorvo);
        MemoryResponder responder(controller, DeviceMemory::demo(UKorvo));
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        QByteArray sent;
        connect(&pty, &SimPty::bytesSent, this, [&sent](const QByteArray &bytes) { sent += bytes; });

        ProgramOptions options;
        options.startDir = m_dir.path();
        options.programDir = m_dir.path();
        options.prefFile = m_dir.filePath(QStringLiteral("korvoterm.ktm"));
        QFile prefs(options.prefFile);
        QVERIFY(prefs.open(QIODevice::WriteOnly));
        prefs.write(QStringLiteral("[Setup]\r\nState=0\r\nDocCt=0\r\nCommCt=1\r\n[Comm_1]\r\nState=0\r\n"
                                   "Device=1\r\nPortName=%1\r\nConnected=-1\r\n")
                        .arg(pty.path())
                        .toUtf8());
        prefs.close();
        MainWindow window(options, m_prompt);
        window.start();
        auto *terminal = qobject_cast<CommWindow *>(window.children()->all().value(0)->widget());
        QVERIFY(terminal && terminal->isConnected());

        const auto panel = [terminal] { return terminal->panels().text(QStringLiteral("capture")); };
        const auto item = [&window](int index) { return window.menus()->item(MenuId::Transfer, index); };
        QVERIFY(item(3)->isEnabled());
        QVERIFY(!item(4)->isVisible() && !item(5)->isVisible());

        const QString capturePath = m_dir.filePath(QStringLiteral("session.txt"));
        QString offered;
        window.fileDialogs().setRunner([&](const FileDialogRequest &request) -> std::optional<QString> {
            offered = request.title;
            return capturePath;
        });
        item(3)->trigger();
        window.fileDialogs().setRunner({});
        QCOMPARE(offered, QStringLiteral("Select Capture File"));
        QCOMPARE(window.capture().state(), CaptureFile::State::On);
        QCOMPARE(panel(), QStringLiteral("Capture ON "));
        // Any later refresh of the commands (the terminal activated again, a click in it) keeps them so.
        window.refreshCommands();
        QVERIFY(!item(3)->isEnabled());
        QVERIFY(item(4)->isVisible() && item(4)->isEnabled() && item(5)->isVisible());

        // The user pauses while the controller starts on the second command and resumes as it starts on the
        // third. The upload waits for the controller's silence before each command, so at those moments
        // everything sent before has reached the program and nothing after it has.
        qsizetype pausedAt = -1;
        qsizetype resumedAt = -1;
        connect(&pty, &SimPty::bytesReceived, this, [&](const QByteArray &bytes) {
            const QByteArray &all = controller.received();
            const qsizetype commandsBefore = all.left(all.size() - bytes.size()).count('\r');
            if (commandsBefore == 1 && pausedAt < 0) {
                pausedAt = sent.size();
                captureItem(window, 4);
                QCOMPARE(item(4)->text(), QStringLiteral("&Resume Capture"));
                QCOMPARE(panel(), QStringLiteral("Capture OFF "));
            } else if (commandsBefore == 2 && resumedAt < 0) {
                resumedAt = sent.size();
                captureItem(window, 4);
                QCOMPARE(item(4)->text(), QStringLiteral("&Pause Capture"));
                QCOMPARE(panel(), QStringLiteral("Capture ON "));
            }
        });
        const QString listing = m_dir.filePath(QStringLiteral("korvo.kxt"));
        QVERIFY(transfer(window, false, listing));
        QCOMPARE(controller.commands().size(), 3);
        QVERIFY(pausedAt > 0 && resumedAt > pausedAt);
        QCOMPARE(window.capture().state(), CaptureFile::State::On);
        captureItem(window, 5);
        QCOMPARE(window.capture().state(), CaptureFile::State::Off);
        QCOMPARE(panel(), QStringLiteral("Capture "));
        QVERIFY(!item(4)->isVisible() && item(3)->isEnabled());
        QCOMPARE(fileBytes(capturePath), sent.left(pausedAt) + sent.mid(resumedAt));
        // The paused part is the whole flags section, which the upload itself has.
        QVERIFY(sent.mid(pausedAt, resumedAt - pausedAt).startsWith("print flags\r\nHOMED = G TRUE\r\n"));
        QVERIFY(!fileBytes(capturePath).contains("HOMED"));
        QVERIFY(fileBytes(listing).contains("'[FLAGS]\r\nFLG HOMED = 1\r\n"));

        // A download shows the controller's echo; capture (started again, replacing the file) keeps it all.
        disconnect(&pty, &SimPty::bytesReceived, this, nullptr);
        captureItem(window, 3, capturePath);
        const qsizetype downloadStart = sent.size();
        QVERIFY(transfer(window, true, listing));
        QVERIFY(sent.size() > downloadStart);
        QTRY_COMPARE(fileBytes(capturePath), sent.mid(downloadStart));
        QVERIFY(fileBytes(capturePath).contains("VAR X = 100\r\n"));
        captureItem(window, 5);
        QVERIFY(m_prompt.asked().isEmpty());

        // A folder of that name: one message with the reason, capture stays off.
        captureItem(window, 3, m_dir.path());
        QCOMPARE(m_prompt.asked().size(), 1);
        QCOMPARE(m_prompt.asked().first().title, QStringLiteral("File Error"));
        QCOMPARE(window.capture().state(), CaptureFile::State::Off);
    }
};

QTEST_MAIN(TstCaptureEndToEnd)
#include "tst_capture_e2e.moc"
