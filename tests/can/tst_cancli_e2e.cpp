// korvo-cli can-read and can-apply against the simulated CAN module and adapter on a real pty: the record
// read as the preferences file's section, a file applied and read back, and the exit codes of a silent
// device and a refused page.

#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

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

    // Runs korvo-cli on the pty; stdin is closed, which answers the module's boxes like Enter.
    Result cli(const QStringList &args)
    {
        QProcess process;
        process.setProgram(qEnvironmentVariable("KORVO_BIN_DIR") + QStringLiteral("/korvo-cli"));
        // The simulated adapter needs none of the settling time a real one does.
        process.setArguments(QStringList{QStringLiteral("--port"), m_pty.path(),
                                         QStringLiteral("--time-scale"), QStringLiteral("10")} +
                             args);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start();
        process.closeWriteChannel();
        if (!finished.wait(60000))
            process.kill();
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private:
    CanResponder m_responder;
    ControllerSim m_controller;
    SimPty m_pty;
    bool m_ok = false;
};
} // namespace

class TstCanCliEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aModuleIsReadAppliedAndReadBack()
    {
        Device device(CanResponder::Kind::Module);
        QVERIFY(device.ok());
        const Result read =
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
        const Result apply =
            device.cli({QStringLiteral("can-apply"), settings, QStringLiteral("--target=module")});
        QCOMPARE(apply.exitCode, 0);
        QCOMPARE(device.responder().module().value("BTR0"), 0x44);
        QCOMPARE(device.responder().module().value("KORVODn"), int('#'));
        QCOMPARE(device.responder().module().value("FLAGS(2)"), 4);

        const QString copy = dir.filePath(QStringLiteral("read.ini"));
        const Result again = device.cli({QStringLiteral("can-read"), QStringLiteral("--target"),
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
        const Result none =
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
        const Result refused = refusing.cli(
            {QStringLiteral("can-apply"), settings, QStringLiteral("--target"), QStringLiteral("dongle")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.err.contains(QStringLiteral("Failed to Apply Setting")));

        const Result usage =
            refusing.cli({QStringLiteral("can-read"), QStringLiteral("--target"), QStringLiteral("bus")});
        QCOMPARE(usage.exitCode, 2);
    }
};

QTEST_GUILESS_MAIN(TstCanCliEndToEnd)
#include "tst_cancli_e2e.moc"
