// Function keys and capture in a real terminal window against the simulated controller over a kernel
// pty: codes, quotes, keys pressing keys, the "^f" guard, stopping a repeat, capture exactness, and the
// pauses as korvo-sim --log-times sees them from outside; korvo-cli fkey, also on a faulty line.

#include "app/clock.h"
#include "functionkeys/capturefile.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "simprocess.h"
#include "terminal/commwindow.h"
#include "terminal/statuspanels.h"
#include "terminal/terminalfunctions.h"
#include "terminal/terminalscreen.h"
#include "terminal/terminalview.h"
#include "ui/filedialogs.h"

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
CommWindowSettings terminalOn(const QString &portName)
{
    CommWindowSettings s;
    s.name = QStringLiteral("Terminal 1");
    s.portName = portName;
    s.connected = true;
    s.keys.resize(10);
    return s;
}
} // namespace

class TstFunctionKeysEndToEnd : public QObject
{
    Q_OBJECT
    ScriptedPrompt m_prompt;
    CaptureFile m_capture;
    IdleCommandHost m_host;

private Q_SLOTS:
    void cleanup() { m_capture.stop(); }

    void keysSendCodesQuotesAndNestedKeysAndStopWhenToldTo()
    {
        ControllerSim controller(Veltor);
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        CommWindowSettings s = terminalOn(pty.path());
        s.keys[0].command = QStringLiteral("\"^M\"A^I^[^^^M");
        s.keys[1].command = QStringLiteral("x^f3y^M");
        s.keys[2].command = QStringLiteral("<^m>");
        s.keys[3].command = QStringLiteral("g^f4");
        s.keys[4].command = QStringLiteral("z^m^r0");
        CommWindow window(1, s, systemClock(), systemLinkFactory(), m_capture, realFileDialogs(), m_prompt,
                          m_host, QString());
        window.show();
        FunctionKeyRunner &runner = window.functions().runner();
        QWidget *keys = &window.view();

        QTest::keyClick(keys, Qt::Key_F1);
        QTRY_VERIFY(!runner.isRunning());
        QTRY_COMPARE(controller.received(), QByteArray("^MA\t\x1b^\r"));

        QTest::keyClick(keys, Qt::Key_F2);
        QTRY_VERIFY(!runner.isRunning());
        QTRY_COMPARE(controller.received().mid(7), QByteArray("x<>y\r"));

        // A key that presses itself ends at the depth limit, with a message, and the link is free again.
        QTest::keyClick(keys, Qt::Key_F4);
        QTRY_VERIFY(!runner.isRunning());
        QTRY_COMPARE(controller.received().mid(12), QByteArray(8, 'g'));
        QVERIFY(window.panels().text("msg").contains(QLatin1String("nest more than 8 deep")));
        QVERIFY(!window.link().hasEngine());

        // A continuous repeat runs until any key is pressed again.
        QTest::keyClick(keys, Qt::Key_F5);
        QTRY_VERIFY(controller.received().count('z') >= 3);
        QVERIFY(runner.isRunning());
        QVERIFY(!window.close());
        QCOMPARE(m_prompt.asked().last().text, QStringLiteral("Repeating Function Key in Terminal 1"));
        QTest::keyClick(keys, Qt::Key_F1);
        QVERIFY(!runner.isRunning());
        QVERIFY(!window.link().hasEngine());
        const qsizetype sent = controller.received().size();
        // The terminal is itself again: what is typed now follows the last "z" directly.
        QTest::keyClicks(keys, "ok");
        QTRY_COMPARE(controller.received().mid(sent), QByteArray("ok"));
        QVERIFY(window.close());
    }

    void captureFromAKeyHoldsExactlyWhatTheControllerSent()
    {
        ControllerSim controller(Veltor);
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Capture.txt"));
        QVERIFY(m_capture.start(path));
        m_capture.stop();

        CommWindowSettings s = terminalOn(pty.path());
        // Capture on, a command and a pause; the second key ends capture once the whole answer is in.
        s.keys[0].command = QStringLiteral("^cpr al^M^p");
        s.keys[1].command = QStringLiteral("^o");
        CommWindow window(1, s, systemClock(), systemLinkFactory(), m_capture, realFileDialogs(), m_prompt,
                          m_host, QString());
        window.show();
        QByteArray whileOn;
        connect(&window.link(), &CommLink::dataReceived, this, [this, &whileOn](const QByteArray &bytes) {
            if (m_capture.state() == CaptureFile::State::On)
                whileOn += bytes;
        });
        QByteArray sent; // what the controller put on the line
        connect(&pty, &SimPty::bytesSent, this, [&sent](const QByteArray &bytes) { sent += bytes; });
        pty.inject("before");
        QTRY_VERIFY(window.screen().screenText().contains(QLatin1String("before")));
        const qsizetype sentBefore = sent.size();

        QTest::keyClick(&window.view(), Qt::Key_F1);
        QTRY_COMPARE(m_capture.state(), CaptureFile::State::On);
        QCOMPARE(window.panels().text("capture"), QStringLiteral("Capture ON "));
        QTRY_VERIFY(whileOn.endsWith("TEMP = L 12\r\n>"));
        QTRY_VERIFY(!window.functions().runner().isRunning());
        QTest::keyClick(&window.view(), Qt::Key_F2);
        QTRY_COMPARE(m_capture.state(), CaptureFile::State::Off);
        QCOMPARE(controller.received(), QByteArray("pr al\r"));
        QVERIFY(whileOn.startsWith("pr al\r\nACCEL = G 2000\r\n"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), whileOn);
        // The controller answers only what it is sent: all it sent after "before" came while capture was on.
        QCOMPARE(sent.mid(sentBefore), whileOn);
        QCOMPARE(window.panels().text("capture"), QStringLiteral("Capture "));
    }

    void korvoCliWalksAKeyAndCapturesWhatComesBack()
    {
        const QString program = qEnvironmentVariable("KORVO_BIN_DIR") + QStringLiteral("/korvo-cli");
        if (!QFileInfo::exists(program))
            QSKIP("korvo-cli is not built next to the tests");
        ControllerSim controller(Veltor);
        SimPty pty(controller);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        QTemporaryDir dir;
        const QString capturePath = dir.filePath(QStringLiteral("cli.txt"));

        // The simulated controller lives in this process: wait on its event loop, never block it.
        QProcess cli;
        cli.start(program, {"--port", pty.path(), "--quiet", "fkey", "--contents", "^cpr al^M^d2000^o",
                            "--capture", capturePath});
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 20000);
        QCOMPARE(cli.exitCode(), 0);
        const QByteArray shown = cli.readAllStandardOutput();
        QCOMPARE(controller.received(), QByteArray("pr al\r"));
        QVERIFY2(shown.contains("pr al\r\nACCEL = G 2000\r\n"), shown.constData());
        // Capture was on from before the command until the end of the pause: all that came meanwhile.
        QFile file(capturePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray captured = file.readAll();
        QVERIFY(captured.contains("ACCEL = G 2000\r\n"));
        QVERIFY(shown.startsWith(captured));

        cli.start(program, {"--port", pty.path(), "fkey", "11"});
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 20000);
        QCOMPARE(cli.exitCode(), 2);
    }

    // korvo-cli fkey on a faulty line: a walk waits for no answer, so noise, a silent or a power-cycled
    // controller do not stop it (what reaches the controller is the line's business); a hang-up ends it with
    // the link's message.
    void aWalkOnAFaultyLine_data()
    {
        addFaultColumns();
        const auto line = [](LineFault::Class fault) { return LineFault::simArgs(fault, 0, 0.1, 1); };
        const auto cut = [](LineFault::Class fault) { return LineFault::simArgs(fault, 3); };
        QTest::newRow("clean") << QStringList() << 0 << QString();
        QTest::newRow("corrupt") << line(LineFault::Corrupt) << 0 << QString();
        QTest::newRow("drop") << line(LineFault::Drop) << 0 << QString();
        QTest::newRow("dup") << line(LineFault::Dup) << 0 << QString();
        QTest::newRow("stall") << cut(LineFault::Stall) << 0 << QString();
        QTest::newRow("reset") << cut(LineFault::Reset) << 0 << QString();
        QTest::newRow("hangup") << cut(LineFault::Hangup) << 2 << QStringLiteral("no longer available");
    }

    void aWalkOnAFaultyLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(QString, naming);
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("received.log"));
        SimProcess sim(QStringList{"--log", log} + faults);
        QVERIFY(sim.ready());
        const CliRun run =
            runKorvoCli({"--quiet", "--port", sim.path(), "fkey", "--contents", "pr al^M^d2000"});
        QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
        if (!faults.isEmpty())
            return;
        QVERIFY2(run.out.contains(QStringLiteral("ACCEL = G 2000\r\n")), qPrintable(run.out));
        sim.stop();
        QFile received(log);
        QVERIFY(received.open(QIODevice::ReadOnly));
        QCOMPARE(received.readAll(), QByteArray("pr al\r"));
    }

    void theSimulatorLogsEachByteWithItsArrivalTime()
    {
        const QString program = qEnvironmentVariable("KORVO_BIN_DIR") + QStringLiteral("/korvo-sim");
        if (!QFileInfo::exists(program))
            QSKIP("korvo-sim is not built next to the tests");
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("times.log"));
        QProcess sim;
        sim.start(program, {"--pty", "--log-times", logPath});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(sim.canReadLine());
        const QString ptyPath = QString::fromLocal8Bit(sim.readLine()).trimmed();

        CommWindowSettings s = terminalOn(ptyPath);
        s.keys[6].command = QStringLiteral("A^d300B");
        CommWindow window(1, s, systemClock(), systemLinkFactory(), m_capture, realFileDialogs(), m_prompt,
                          m_host, QString());
        window.show();
        QTest::keyClick(&window.view(), Qt::Key_F7);
        QTRY_VERIFY(!window.functions().runner().isRunning());

        const auto logLines = [&logPath] {
            QFile log(logPath);
            return log.open(QIODevice::ReadOnly) ? log.readAll().trimmed().split('\n') : QList<QByteArray>();
        };
        QTRY_COMPARE(logLines().size(), 2);
        const QList<QByteArray> lines = logLines();
        QCOMPARE(lines.at(0).split(' ').at(1), QByteArray("41"));
        QCOMPARE(lines.at(1).split(' ').at(1), QByteArray("42"));
        // Stamps never run backwards. (How long the pause was is checked in virtual time: a loaded machine
        // may deliver the first byte late.)
        QVERIFY(lines.at(1).split(' ').at(0).toLongLong() >= lines.at(0).split(' ').at(0).toLongLong());
        window.close();
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
};

QTEST_MAIN(TstFunctionKeysEndToEnd)
#include "tst_functionkeys_e2e.moc"
