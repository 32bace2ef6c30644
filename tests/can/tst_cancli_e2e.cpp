// korvo-cli can-read and can-apply against the simulated CAN module and adapter on a real pty: the record
// read as the preferences file's section, a file applied and read back, and the exit codes of a silent
// device and a refused page, and both commands on a faulty line.

#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "simprocess.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
class Device
{
public:
    explicit Device(CanResponder::Kind kind) : m_responder(kind), m_pty(m_controller)
    {
        m_responder.attach(m_controller);
        QString error;
        m_ok = m_pty.open(&error);
    }

    bool ok() const { return m_ok; }
    ControllerSim &controller() { return m_controller; }
    CanResponder &responder() { return m_responder; }
    // A faulty line from here on (korvo-sim's fault options).
    void setFaults(const QStringList &simArgs) { m_pty.setFaults(LineFaults(LineFault::settings(simArgs))); }

    // Runs korvo-cli on the pty; stdin is closed, which answers the module's boxes like Enter.
    CliRun cli(const QStringList &args)
    {
        QProcess process;
        process.setProgram(builtProgram("korvo-cli"));
        // The simulated adapter needs none of the settling time a real one does.
        process.setArguments(QStringList{QStringLiteral("--port"), m_pty.path(),
                                         QStringLiteral("--time-scale"), QStringLiteral("10")} +
                             args);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start();
        process.closeWriteChannel();
        CliRun run;
        run.finished = finished.wait(60000);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private:
    CanResponder m_responder;
    ControllerSim m_controller;
    SimPty m_pty;
    bool m_ok = false;
};
// can-read and can-apply of the module and the adapter on a faulty line: each case ends by itself, with
// the settings read or applied right, or with one message naming the device and what failed.
void faultyLineCases(bool apply)
{
    addFaultColumns();
    QTest::addColumn<QString>("target");
    const auto line = [](LineFault::Class fault, int seed) {
        return LineFault::simArgs(fault, 0, 0.002, seed);
    };
    const auto cut = [](LineFault::Class fault, qint64 after) { return LineFault::simArgs(fault, after); };
    for (const QString &target : {QStringLiteral("dongle"), QStringLiteral("module")}) {
        const bool module = target == u"module";
        const QString lost =
            QStringLiteral("Could Not Establish Comm. with %1! (its settings report came short twice")
                .arg(module ? "Module" : "Dongle");
        const auto row = [&target](const char *name) {
            return &QTest::newRow(qPrintable(target + u' ' + QLatin1String(name)));
        };
        // A line of the adapter's report garbled or lost on its way back is asked for again.
        *row("clean") << QStringList() << 0 << QString() << target;
        *row("corrupt") << line(LineFault::Corrupt, 10) << 0 << QString() << target;
        *row("drop") << line(LineFault::Drop, 10) << 0 << QString() << target;
        *row("dup") << line(LineFault::Dup, 10) << 0 << QString() << target;
        // The report garbled again; a write whose acknowledgement is lost ends the apply.
        if (!apply)
            *row("garbled twice") << LineFault::simArgs(LineFault::Corrupt, 0, 0.01, 4) << 1
                                  << QStringLiteral("line 8 of its settings report came garbled twice")
                                  << target;
        else if (!module)
            *row("write lost") << line(LineFault::Corrupt, 1) << 1
                               << QStringLiteral(
                                      "Failed to Apply Setting: \":C_BTR0=41\" was not acknowledged")
                               << target;
        *row("stall") << cut(LineFault::Stall, 12) << 1 << lost << target;
        *row("reset") << cut(LineFault::Reset, 12) << 0 << QString() << target;
        *row("hangup") << cut(LineFault::Hangup, 12) << 2 << QStringLiteral("no longer available") << target;
    }
}

} // namespace

class TstCanCliEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aModuleIsReadAppliedAndReadBack()
    {
        Device device(CanResponder::Kind::Module);
        QVERIFY(device.ok());
        const CliRun read =
            device.cli({QStringLiteral("can-read"), QStringLiteral("--target"), QStringLiteral("module")});
        QCOMPARE(read.exitCode, 0);
        QVERIFY(read.out.startsWith(QStringLiteral("[MODULE Settings]\n")));
        QVERIFY(read.out.contains(QStringLiteral("\nBTR0=83\n")));
        QVERIFY(read.err.contains(QStringLiteral("Connect MODULE \"Config\" to Ground.")));

        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("module.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[MODULE Settings]\r\nKORVODn=#\r\nBTR0=68\r\nBTR1=28\r\nUAR0(2)=18\r\nFLAGS(2)=4\r\n");
        file.close();
        const CliRun apply =
            device.cli({QStringLiteral("can-apply"), settings, QStringLiteral("--target=module")});
        QCOMPARE(apply.exitCode, 0);
        QCOMPARE(device.responder().module().value("BTR0"), 0x44);
        QCOMPARE(device.responder().module().value("KORVODn"), int('#'));
        QCOMPARE(device.responder().module().value("FLAGS(2)"), 4);

        const QString copy = dir.filePath(QStringLiteral("read.ini"));
        const CliRun again = device.cli({QStringLiteral("can-read"), QStringLiteral("--target"),
                                         QStringLiteral("module"), QStringLiteral("-o"), copy});
        QCOMPARE(again.exitCode, 0);
        QFile written(copy);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QVERIFY(text.contains("\r\nBTR0=68\r\n"));
        QVERIFY(text.contains("\r\nKORVODn=#\r\n"));
        QVERIFY(text.contains("\r\nUAR0(2)=18\r\n"));
    }

    void aSilentAdapterAndARefusedPageExitWithOne()
    {
        Device silent(CanResponder::Kind::Dongle);
        QVERIFY(silent.ok());
        silent.controller().setSilent(true);
        const CliRun none =
            silent.cli({QStringLiteral("can-read"), QStringLiteral("--target"), QStringLiteral("dongle")});
        QCOMPARE(none.exitCode, 1);
        QVERIFY(none.err.contains(QStringLiteral("Could Not Establish Comm. with Dongle!")));
        QVERIFY(none.out.isEmpty());

        Device refusing(CanResponder::Kind::Dongle);
        QVERIFY(refusing.ok());
        refusing.responder().setFault(CanResponder::Fault::Nak);
        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("dongle.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[DONGLE Settings]\r\nBTR0=65\r\n");
        file.close();
        const CliRun refused = refusing.cli(
            {QStringLiteral("can-apply"), settings, QStringLiteral("--target"), QStringLiteral("dongle")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.err.contains(QStringLiteral("Failed to Apply Setting")));

        const CliRun usage =
            refusing.cli({QStringLiteral("can-read"), QStringLiteral("--target"), QStringLiteral("bus")});
        QCOMPARE(usage.exitCode, 2);

        // A file without CAN settings would write the defaults over the device's: refused, the device not
        // asked.
        Device untouched(CanResponder::Kind::Dongle);
        QVERIFY(untouched.ok());
        const QString settingsless = dir.filePath(QStringLiteral("none.ini"));
        for (const QByteArray &text : {QByteArray(), QByteArray("\x01\xFFgarbage\n=\n"),
                                       QByteArray("[DONGLE Settings]\r\n[SPI Configuration]\r\nX=1\r\n")}) {
            QFile garbage(settingsless);
            QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
            garbage.write(text);
            garbage.close();
            const CliRun empty = untouched.cli({QStringLiteral("can-apply"), settingsless,
                                                QStringLiteral("--target"), QStringLiteral("dongle")});
            QCOMPARE(empty.exitCode, 2);
            QVERIFY2(empty.err.contains(settingsless +
                                        QStringLiteral(" holds no CAN settings: it has no [DONGLE "
                                                       "Settings] section (nor a [MODULE Settings] one)")),
                     qPrintable(empty.err));
        }
        QVERIFY(untouched.controller().received().isEmpty());
    }

    void canReadOnAFaultyLine_data() { faultyLineCases(false); }
    void canReadOnAFaultyLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(QString, naming);
        QFETCH(QString, target);
        const CanResponder::Kind kind =
            target == u"module" ? CanResponder::Kind::Module : CanResponder::Kind::Dongle;
        const QStringList read{QStringLiteral("--quiet"), QStringLiteral("can-read"),
                               QStringLiteral("--target"), target};
        Device clean(kind);
        QVERIFY(clean.ok());
        const CliRun reference = clean.cli(read);
        QCOMPARE(reference.exitCode, 0);

        Device device(kind);
        QVERIFY(device.ok());
        device.setFaults(faults);
        const CliRun run = device.cli(read);
        QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
        QCOMPARE(run.out, exitCode == 0 ? reference.out : QString());
        // Configuration mode was ended (a failed job may leave it on: the device no longer listened).
        QVERIFY(!device.responder().inConfigMode() || exitCode != 0);
    }

    void canApplyOnAFaultyLine_data() { faultyLineCases(true); }
    void canApplyOnAFaultyLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(QString, naming);
        QFETCH(QString, target);
        const bool module = target == u"module";
        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("apply.ini"));
        QFile file(settings);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(module ? "[MODULE Settings]\r\nBTR0=68\r\nBTR1=28\r\n"
                          : "[DONGLE Settings]\r\nBTR0=65\r\nBTR1=28\r\n");
        file.close();
        Device device(module ? CanResponder::Kind::Module : CanResponder::Kind::Dongle);
        QVERIFY(device.ok());
        device.setFaults(faults);
        const CliRun run = device.cli({QStringLiteral("--quiet"), QStringLiteral("can-apply"), settings,
                                       QStringLiteral("--target"), target});
        QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
        if (exitCode == 0) {
            const CanResponder::Settings &written =
                module ? device.responder().module() : device.responder().adapter();
            QCOMPARE(written.value("BTR0"), module ? 0x44 : 0x41);
            QCOMPARE(written.value("BTR1"), 0x1C);
        }
        // Configuration mode was ended (a failed job may leave it on: the device no longer listened).
        QVERIFY(!device.responder().inConfigMode() || exitCode != 0);
    }

private:
    static CliRun asRun(const CliRun &result)
    {
        CliRun run;
        run.finished = result.exitCode >= 0;
        run.exitCode = result.exitCode;
        run.out = result.out;
        run.err = result.err;
        return run;
    }
};

QTEST_GUILESS_MAIN(TstCanCliEndToEnd)
#include "tst_cancli_e2e.moc"
