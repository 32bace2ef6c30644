// The baud finder, the RAM viewer and the line monitor against the simulated controller over real ptys and
// the loopback gateway: found rates, a silent controller, Stop, Accept, the viewer's reads and failure
// texts, a read as the line monitor shows and saves it, and korvo-cli find-baud and ram on a faulty line.

#include "app/clock.h"
#include "app/scaledclock.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "scriptedprompt.h"
#include "settings/preferences.h"
#include "sim/controllersim.h"
#include "sim/proberesponder.h"
#include "sim/ramresponder.h"
#include "sim/simgateway.h"
#include "sim/simpty.h"
#include "simprocess.h"
#include "tools/commsearchengine.h"
#include "tools/findcommdialog.h"
#include "tools/linemonitorwindow.h"
#include "tools/ramviewerwindow.h"
#include "ui/filedialogs.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

using namespace korvo;

namespace {

constexpr int kSearchTimeoutMs = 30000;

// A simulated controller on a pty, and a terminal link to it.
struct Bench
{
    explicit Bench(DeviceType device, int ownBaud, bool withRam = true) : controller(device)
    {
        controller.setOwnBaud(ownBaud);
        addProbeResponder(controller);
        if (withRam)
            addRamResponder(controller);
        QString error;
        opened = pty.open(&error);
        settings.portName = pty.path();
        settings.device = device;
        settings.settings = QStringLiteral("%1,N,8,1").arg(ownBaud);
    }
    ~Bench() { link.shutdown(); }

    ControllerSim controller;
    SimPty pty{controller};
    bool opened = false;
    CommWindowSettings settings;
    CommLink link{settings, systemClock(), systemLinkFactory()};
};

// A Veltor at 38400 behind the simulated TCP gateway; the gateway's rate changes and the probes' time-outs
// run ten times faster, since the simulator answers at once.
struct GatewayBench
{
    GatewayBench() : controller(Veltor)
    {
        controller.setOwnBaud(38400);
        addProbeResponder(controller);
        listening = gateway.listen(QHostAddress::LocalHost, 0, &error);
        settings.device = Veltor;
        settings.tcpipEnabled = true;
        settings.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(gateway.port());
    }
    ~GatewayBench() { link.shutdown(); }

    ControllerSim controller;
    SimGateway gateway{controller};
    QString error;
    bool listening = false;
    CommWindowSettings settings;
    ScaledClock clock{systemClock(), 10};
    CommLink link{settings, clock, systemLinkFactory()};
};

// Runs one search to its end on the link (no Ctl+C delay); returns the log.
QString search(CommLink &link, CommSearchEngine &engine)
{
    QString log;
    EngineLease lease = link.attach(
        engine, QStringLiteral("Find Comm. Settings"),
        [&](const std::vector<EngineEvent> &events) {
            for (const EngineEvent &e : events)
                if (const auto *line = e.as<EngineEvent::Line>())
                    log += line->text;
        },
        CommLink::LeaseKind::Exclusive);
    [&] { QTRY_VERIFY_WITH_TIMEOUT(engine.isFinished(), kSearchTimeoutMs); }();
    return log;
}

// The log's closing line, which says what the search came to.
QString lastLine(const QString &log)
{
    return log.trimmed().split(u'\n').last().trimmed();
}

QList<QColor> coloursOf(const QTextEdit &edit)
{
    QList<QColor> colours;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (!it.fragment().text().trimmed().isEmpty())
                colours << it.fragment().charFormat().foreground().color();
    return colours;
}

} // namespace

class TstToolsEndToEnd : public QObject
{
    Q_OBJECT
    ScriptedPrompt m_prompt;

private Q_SLOTS:
    void aControllerAt4800IsFoundLastOnAPty()
    {
        Bench bench(Veltor, 4800);
        QVERIFY(bench.opened);
        CommSearchEngine engine({Veltor, false, 0, true});
        const QString log = search(bench.link, engine);
        QCOMPARE(engine.foundRate(), 4800);
        QCOMPARE(log.count("BAUD RATE = "), 5);
        QVERIFY(log.contains("48 1 0 2.200"));
        QVERIFY2(lastLine(log).startsWith("Found 4800 baud; the device answered: 48 1 0 2.200"),
                 qPrintable(lastLine(log)));
        // The line was the search's own: the terminal, disconnected, has its port closed again.
        QVERIFY(!bench.link.isPortOpen());
    }

    void aSilentControllerGivesNoResponseAtEveryRate()
    {
        Bench bench(Fendra, 9600);
        bench.controller.setSilent(true);
        CommSearchEngine engine({Fendra, false, 0, true});
        const QString log = search(bench.link, engine);
        QCOMPARE(engine.foundRate(), 0);
        QCOMPARE(log.count("No Response"), 20);
        QCOMPARE(lastLine(log), QStringLiteral("No rate answered."));
    }

    void theGatewayIsSteppedThroughItsRatesUntilNbAnswers()
    {
        GatewayBench bench;
        QVERIFY2(bench.listening, qPrintable(bench.error));
        CommSearchEngine engine({Veltor, true, 0, true});
        const QString log = search(bench.link, engine);
        QCOMPARE(engine.foundRate(), 38400);
        QVERIFY(log.contains("NB2.200"));
    }

    void overTheGatewayALostConnectionSkipsARateAndAcceptSetsTheGatewaysRate()
    {
        GatewayBench bench;
        QVERIFY2(bench.listening, qPrintable(bench.error));
        SimGateway &gateway = bench.gateway;
        FindCommDialog dialog(bench.link, m_prompt);
        dialog.show();
        dialog.findChild<QComboBox *>(QStringLiteral("cboCtlC_Delay"))->setCurrentIndex(0);
        auto *accept = dialog.findChild<QPushButton *>(QStringLiteral("cmdAccept"));
        auto *log = dialog.findChild<QTextEdit *>(QStringLiteral("rtfFindCommSetting"));
        // The gateway closes the connection at the first probe: the error is told once, with its number,
        // and the search goes on with the next rate on a new connection.
        bool dropped = false;
        QObject::connect(&gateway, &SimGateway::bytesReceived, &gateway, [&](const QByteArray &bytes) {
            if (!dropped && bytes.contains("pr em")) {
                dropped = true;
                QTimer::singleShot(0, &gateway, &SimGateway::drop);
            }
        });
        m_prompt.clear();
        dialog.findChild<QPushButton *>(QStringLiteral("cmdFind"))->click();
        QTRY_VERIFY2_WITH_TIMEOUT(accept->isEnabled(), qPrintable(log->toPlainText()), kSearchTimeoutMs);
        QVERIFY(dropped);
        QCOMPARE(m_prompt.asked().size(), 1);
        QCOMPARE(m_prompt.asked().first().title, QStringLiteral("Comm Error"));
        QVERIFY2(m_prompt.asked().first().text.startsWith(QStringLiteral("Comm Error: 10054 : ")),
                 qPrintable(m_prompt.asked().first().text));
        QCOMPARE(log->toPlainText().count("BAUD RATE = "), 5);
        QVERIFY(!log->toPlainText().contains("Could not establish"));
        // The log ends with what was found, in view.
        QVERIFY2(
            lastLine(log->toPlainText()).startsWith("Found 38400 baud; the device answered: 1 0 NB2.200"),
            qPrintable(lastLine(log->toPlainText())));
        QVERIFY(log->verticalScrollBar()->maximum() > 0);
        QCOMPARE(log->verticalScrollBar()->value(), log->verticalScrollBar()->maximum());
        // The search tried 4800 last; Accept's rate command reaches the gateway before the line is let go.
        QCOMPARE(gateway.serialBaud(), 4800);
        accept->click();
        QCOMPARE(bench.settings.settings, QStringLiteral("38400,N,8,1"));
        QTRY_COMPARE(gateway.serialBaud(), 38400);
    }

    void theDialogFindsStopsAndAcceptsAndTheTerminalTalksAtTheNewRate()
    {
        Bench bench(Veltor, 19200);
        bench.settings.settings = QStringLiteral("9600,N,8,1");
        bench.link.connectComm(true);
        FindCommDialog dialog(bench.link, m_prompt);
        // Loading took the line from the terminal.
        QVERIFY(!bench.link.isConnected());
        auto *delay = dialog.findChild<QComboBox *>(QStringLiteral("cboCtlC_Delay"));
        QCOMPARE(delay->currentText(), QStringLiteral("1.5 sec"));
        delay->setCurrentIndex(0);
        auto *find = dialog.findChild<QPushButton *>(QStringLiteral("cmdFind"));
        auto *accept = dialog.findChild<QPushButton *>(QStringLiteral("cmdAccept"));
        auto *log = dialog.findChild<QTextEdit *>(QStringLiteral("rtfFindCommSetting"));

        find->click();
        QCOMPARE(find->text(), QStringLiteral("&Stop"));
        // Stop during the 19200 probes, once that rate has answered: the search ends after that probe.
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().contains("19 1 0 2.200"), kSearchTimeoutMs);
        find->click();
        QCOMPARE(find->text(), QStringLiteral("&Find"));
        QTRY_VERIFY_WITH_TIMEOUT(accept->isEnabled(), kSearchTimeoutMs);
        QVERIFY(!log->toPlainText().contains("38400"));
        QVERIFY(coloursOf(*log).contains(QColor(0, 0, 255)));

        accept->click();
        QCOMPARE(dialog.acceptedRate(), 19200);
        QCOMPARE(bench.settings.settings, QStringLiteral("19200,N,8,1"));
        QVERIFY(bench.link.isConnected());
        QByteArray received;
        QObject::connect(&bench.link, &CommLink::dataReceived, [&](const QByteArray &d) { received += d; });
        bench.link.sendToComm("pr al\r", false);
        QTRY_VERIFY(received.contains("ACCEL = G 2000"));
    }

    void aLineThatCannotBeOpenedDisablesFind()
    {
        CommWindowSettings settings;
        settings.portName = QStringLiteral("/dev/korvo-no-such-port");
        CommLink link(settings, systemClock(), systemLinkFactory());
        FindCommDialog dialog(link, m_prompt);
        auto *find = dialog.findChild<QPushButton *>(QStringLiteral("cmdFind"));
        auto *log = dialog.findChild<QTextEdit *>(QStringLiteral("rtfFindCommSetting"));
        QVERIFY(!find->isEnabled());
        QVERIFY(log->toPlainText().startsWith("Could not establish Communications - "));
        QVERIFY(log->toPlainText().contains("No such file or directory"));
        QCOMPARE(coloursOf(*log).first(), QColor(128, 0, 0));
    }

    void theRamViewerMarksWhatChangedBetweenTwoReads()
    {
        Bench bench(Veltor, 9600);
        bench.settings.connected = false;
        bench.settings.size = 14;
        bench.link.connectComm(true);
        RamViewerWindow viewer;
        viewer.setTerminal(&bench.link);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QSignalSpy done(&viewer, &RamViewerWindow::readFinished);
        auto *dump = viewer.findChild<QTextEdit *>(QStringLiteral("rtfRam_Viewer"));
        // The FPGA block's eight rows all show without scrolling (three of them used to).
        viewer.read();
        QVERIFY(done.wait(10000));
        QVERIFY2(dump->toPlainText().contains("2070    "), qPrintable(dump->toPlainText()));
        QCOMPARE(dump->verticalScrollBar()->maximum(), 0);

        viewer.findChild<QComboBox *>(QStringLiteral("cboAddress"))->setCurrentText(QStringLiteral("CPU"));
        viewer.read();
        QVERIFY(done.wait(10000));
        QVERIFY2(dump->toPlainText().contains("0000    00 07 0E"), qPrintable(dump->toPlainText()));
        QVERIFY(!coloursOf(*dump).contains(QColor(Qt::red)));
        // The terminal has its display back between reads.
        QVERIFY(!bench.link.hasEngine());

        viewer.read();
        QVERIFY(done.wait(10000));
        // Byte 3 counts the reads: only it is red on the second read.
        QCOMPARE(coloursOf(*dump).count(QColor(Qt::red)), 1);
        // Another of the three options starts afresh: the dump is cleared and nothing is red.
        auto *other = viewer.findChild<QRadioButton *>(QStringLiteral("optSet2"));
        other->click();
        QVERIFY(other->isChecked() &&
                !viewer.findChild<QRadioButton *>(QStringLiteral("optSet0"))->isChecked());
        viewer.read();
        QVERIFY(done.wait(10000));
        QCOMPARE(dump->toPlainText().count(QStringLiteral("0000    ")), 1);
        QVERIFY(!coloursOf(*dump).contains(QColor(Qt::red)));
        // A click into the address or count box selects its whole text.
        viewer.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&viewer));
        for (const char *name : {"txtAddress", "txtCt"}) {
            auto *box = viewer.findChild<QLineEdit *>(QLatin1String(name));
            QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
            QTRY_COMPARE(box->selectedText(), box->text());
        }
        // The echo mode was put back: the controller echoes typed text again.
        QByteArray received;
        QObject::connect(&bench.link, &CommLink::dataReceived, [&](const QByteArray &d) { received += d; });
        bench.link.sendToComm("pr al\r", false);
        QTRY_VERIFY(received.startsWith("pr al"));
    }

    void theLineMonitorShowsAReadBothWaysBetweenItsMarkersAndSavesIt()
    {
        Bench bench(Veltor, 9600);
        bench.settings.connected = false;
        bench.link.connectComm(true);
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("line.txt"));
        const FileDialogs dialogs([&](const FileDialogRequest &request) {
            return request.mode == FileDialogMode::Save ? std::optional<QString>(saved) : std::nullopt;
        });
        LineMonitorWindow monitor(systemClock(), dialogs, m_prompt);
        monitor.setTerminal(&bench.link);
        RamViewerWindow viewer;
        viewer.setTerminal(&bench.link);
        QSignalSpy done(&viewer, &RamViewerWindow::readFinished);
        viewer.read();
        QVERIFY(done.wait(10000));
        // The view catches up by itself.
        QTRY_VERIFY(monitor.viewText().endsWith(QStringLiteral("--  end RAM Viewer read")));
        const QString shown = monitor.viewText();
        QVERIFY2(shown.section(u'\n', 0, 0).endsWith(QStringLiteral("--  start RAM Viewer read")),
                 qPrintable(shown));
        // Each direction in its own colour, what was sent and what came back both there.
        QMap<QString, QSet<QRgb>> colours;
        const QTextDocument *document = monitor.findChild<QPlainTextEdit *>()->document();
        for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
            colours[block.text().mid(14, 2)]
                << block.begin().fragment().charFormat().foreground().color().rgb();
        QCOMPARE(colours.keys(), (QStringList{"--", "RX", "TX"}));
        for (const QSet<QRgb> &set : colours)
            QCOMPARE(set.size(), 1);
        QCOMPARE(colours.value("--").unite(colours.value("RX")).unite(colours.value("TX")).size(), 3);

        const qsizetype asked = m_prompt.asked().size();
        QVERIFY(monitor.save());
        QCOMPARE(m_prompt.asked().size(), asked);
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString log = QString::fromUtf8(file.readAll());
        QVERIFY2(log.startsWith(u'#') && log.endsWith(u'\n'), qPrintable(log));
        QCOMPARE(log.section(u'\n', 1), shown + u'\n');
    }

    void theRamViewerSaysWhyThereIsNoDump()
    {
        RamViewerWindow viewer;
        auto *dump = viewer.findChild<QTextEdit *>(QStringLiteral("rtfRam_Viewer"));
        QSignalSpy done(&viewer, &RamViewerWindow::readFinished);

        Bench closed(Veltor, 9600);
        viewer.setTerminal(&closed.link);
        viewer.read();
        QCOMPARE(dump->toPlainText(), QStringLiteral("Comm Port Not Open!"));

        Bench silent(Veltor, 9600);
        silent.controller.setSilent(true);
        silent.link.connectComm(true);
        viewer.setTerminal(&silent.link);
        viewer.read();
        QVERIFY(done.wait(10000));
        QCOMPARE(dump->toPlainText(), QStringLiteral("Failed to communicate with device!"));
        QVERIFY(!silent.link.hasEngine());

        // Tells its echo mode but answers the read with an error, never the block: the reply came, so it is
        // no time-out (it used to say "Timed Out!"); the dump gets nothing and the label says why.
        Bench refusing(Veltor, 9600, false);
        refusing.controller.addLineHandler([](ControllerSim &sim, const QByteArray &line) {
            if (line.trimmed() == "pr em")
                sim.replyLine("1");
            else if (line.trimmed() == "PR Pk")
                sim.replyLine("?SYNTAX ERROR");
            return true;
        });
        refusing.link.connectComm(true);
        viewer.setTerminal(&refusing.link);
        viewer.read();
        QVERIFY(done.wait(10000));
        QVERIFY(dump->toPlainText().isEmpty()); // cleared for an address not read before
        QCOMPARE(viewer.findChild<QLabel *>(QStringLiteral("lblData"))->text(),
                 QStringLiteral("The reply does not hold address 2000."));
    }

    // korvo-cli find-baud and ram against korvo-sim on a faulty line: each case ends by itself, either with
    // the right result or with one message that names what went wrong.
    void findBaudOnAFaultyLine_data()
    {
        addFaultColumns();
        const auto cut = [](LineFault::Class fault) { return LineFault::simArgs(fault, 3); };
        QTest::newRow("clean") << QStringList() << 0 << QString();
        // Answers garbled, cut short or doubled at some of a rate's probes: another probe at that rate is
        // answered. (One row for all three: each search takes seconds.)
        QTest::newRow("noise") << QStringList{"--line-faults", "drop=0.01,corrupt=0.01,dup=0.01,seed=1"} << 0
                               << QString();
        QTest::newRow("stall") << cut(LineFault::Stall) << 1 << QStringLiteral("no rate answered");
        QTest::newRow("reset") << cut(LineFault::Reset) << 0 << QString();
        QTest::newRow("hangup") << cut(LineFault::Hangup) << 2 << QStringLiteral("no longer available");
    }

    void findBaudOnAFaultyLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(QString, naming);
        SimProcess sim(QStringList{"--device", "veltor", "--baud", "9600"} + faults);
        QVERIFY(sim.ready());
        const CliRun run = runKorvoCli({"--quiet", "--port", sim.path(), "--device", "veltor", "find-baud"});
        QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
        QCOMPARE(run.out.trimmed(), exitCode == 0 ? QStringLiteral("9600") : QString());
    }

    void ramReadOnAFaultyLine_data()
    {
        addFaultColumns();
        const auto line = [](LineFault::Class fault, double rate, int seed) {
            return LineFault::simArgs(fault, 0, rate, seed);
        };
        const auto cut = [](LineFault::Class fault, qint64 after) {
            return LineFault::simArgs(fault, after);
        };
        const QString garbled = QStringLiteral("the dump came garbled 3 times");
        // A row garbled on its way back is read again.
        QTest::newRow("clean") << QStringList() << 0 << QString();
        QTest::newRow("corrupt") << line(LineFault::Corrupt, 0.005, 15) << 0 << QString();
        QTest::newRow("drop") << line(LineFault::Drop, 0.005, 15) << 0 << QString();
        QTest::newRow("dup") << line(LineFault::Dup, 0.005, 15) << 0 << QString();
        QTest::newRow("noisy") << line(LineFault::Drop, 0.05, 2) << 1 << garbled;
        QTest::newRow("stall") << cut(LineFault::Stall, 5) << 1 << QStringLiteral("Failed to communicate");
        QTest::newRow("reset") << cut(LineFault::Reset, 5) << 0 << QString();
        QTest::newRow("hangup") << cut(LineFault::Hangup, 5) << 2 << QStringLiteral("no longer available");
    }

    void ramReadOnAFaultyLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(QString, naming);
        const QStringList read{"--quiet", "--device", "veltor", "ram", "--block", "Motor"};
        SimProcess clean({"--device", "veltor"});
        QVERIFY(clean.ready());
        const CliRun reference = runKorvoCli(QStringList{"--port", clean.path()} + read);
        QVERIFY2(reference.unexpected(0).isEmpty(), qPrintable(reference.unexpected(0)));

        SimProcess sim(QStringList{"--device", "veltor"} + faults);
        QVERIFY(sim.ready());
        const CliRun run = runKorvoCli(QStringList{"--port", sim.path()} + read);
        QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
        QCOMPARE(run.out, exitCode == 0 ? reference.out : QString());
    }
};

QTEST_MAIN(TstToolsEndToEnd)
#include "tst_tools_e2e.moc"
