// korvo-cli upgrade against korvo-sim over a real pty and through its TCP gateway: the whole dialogue,
// the image the simulated controller wrote, and the exit codes of the contract (1 for a refused file, a
// record NAKed twice or a controller that stops answering), and the outcome on a faulty line.

#include "filebytes.h"
#include "simprocess.h"
#include "upgradefiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using namespace korvo;

namespace {

// A simulated controller in its own process; the image it writes goes to imagePath.
class Sim
{
public:
    Sim(const QStringList &args, bool gateway) : m_gateway(gateway)
    {
        m_process.setProgram(builtProgram("korvo-sim"));
        m_process.setArguments(
            args + (gateway ? QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")}
                            : QStringList{QStringLiteral("--pty")}));
        m_process.start();
        if (m_process.waitForStarted(10000))
            while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
            }
        m_first = QString::fromLatin1(m_process.readLine()).trimmed();
    }
    ~Sim()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }
    // korvo-cli's link options for this controller.
    QStringList link() const
    {
        if (m_gateway)
            return {QStringLiteral("--tcp"), m_first.section(u' ', 2)};
        return {QStringLiteral("--port"), m_first};
    }
    bool ready() const { return !m_first.isEmpty(); }

    // What a user types in the terminal at the controller's own rate; true once the controller answered.
    bool type(const QByteArray &line)
    {
        std::unique_ptr<QIODevice> device;
        if (m_gateway) {
            auto socket = std::make_unique<QTcpSocket>();
            const QString address = m_first.section(u' ', 2);
            socket->connectToHost(address.section(u':', 0, 0), quint16(address.section(u':', 1).toUInt()));
            if (!socket->waitForConnected(10000))
                return false;
            device = std::move(socket);
        } else {
            auto port = std::make_unique<QSerialPort>(m_first);
            port->setBaudRate(9600);
            if (!port->open(QIODevice::ReadWrite))
                return false;
            device = std::move(port);
        }
        device->write(line + '\r');
        QByteArray answer;
        while (!answer.contains("UPGRADE MODE") && device->waitForReadyRead(10000))
            answer += device->readAll();
        return answer.contains("UPGRADE MODE");
    }

private:
    QProcess m_process;
    bool m_gateway;
    QString m_first;
};

// The simulator needs none of the pauses and time-outs a controller does: korvo-cli runs them ten times
// shorter, still far longer than the simulator takes to answer.
CliRun runCli(const QStringList &args)
{
    return runKorvoCli(args, 90000);
}

// Runs korvo-cli without --yes and presses Ctrl+C at its question; the exit must follow within a second.
CliRun interruptAtTheQuestion(const QStringList &args)
{
    QProcess cli;
    cli.start(builtProgram("korvo-cli"),
              QStringList{QStringLiteral("--time-scale"), QStringLiteral("10")} + args);
    cli.setReadChannel(QProcess::StandardError);
    CliRun result;
    while (!result.err.contains(QStringLiteral("Upgrade the controller now?")) && cli.waitForReadyRead(30000))
        result.err += QString::fromLocal8Bit(cli.readAllStandardError());
    ::kill(pid_t(cli.processId()), SIGINT);
    if (!cli.waitForFinished(1000)) {
        cli.kill();
        cli.waitForFinished();
        return result;
    }
    result.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    result.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    return result;
}

} // namespace

class TstUpgradeE2e : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void aUKorvoOverAPtyLosesPowerThenASecondRunCompletes();
    void aVeltorThroughTheGatewayWithANakThenAck();
    void refusedFilesAreExitOneWithNothingSent();
    void anErasedUKorvoIsRefused();
    void anUpgradeOnAFaultyLine_data();
    void anUpgradeOnAFaultyLine();

private:
    QString writeFile(const QString &name, const QByteArray &text);
    QTemporaryDir m_dir;
};

void TstUpgradeE2e::initTestCase()
{
    QVERIFY(QFile::exists(builtProgram("korvo-sim")));
    QVERIFY(QFile::exists(builtProgram("korvo-cli")));
}

QString TstUpgradeE2e::writeFile(const QString &name, const QByteArray &text)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text);
    return path;
}

void TstUpgradeE2e::aUKorvoOverAPtyLosesPowerThenASecondRunCompletes()
{
    const QList<TestRecord> records = uKorvoRecords();
    const QString file = writeFile(QStringLiteral("ukorvo.zel"), upgradeText(records));
    const QString image = m_dir.filePath(QStringLiteral("ukorvo.img"));
    Sim sim({QStringLiteral("--device"), QStringLiteral("ukorvo"), QStringLiteral("--upgrade-switch"),
             QStringLiteral("--serial"), QStringLiteral("PTY1"), QStringLiteral("--type"),
             QStringLiteral("T2"), QStringLiteral("--silent-after-record"), QStringLiteral("6"),
             QStringLiteral("--image-out"), image},
            false);
    QVERIFY(sim.ready());
    const QStringList args =
        sim.link() + QStringList{QStringLiteral("--device"), QStringLiteral("ukorvo"),
                                 QStringLiteral("upgrade"), file, QStringLiteral("--yes")};
    const CliRun lost = runCli(args);
    QCOMPARE(lost.exitCode, 1);
    QVERIFY2(lost.err.contains(QStringLiteral("No acknowledgement")), qPrintable(lost.err));
    QVERIFY(lost.out.contains(QStringLiteral("File core: 1.000    Controller core: 1.000")));

    // Power back: the controller is still in upgrade mode and the whole upgrade goes through.
    const CliRun second = runCli(args);
    QCOMPARE(second.exitCode, 0);
    QVERIFY2(second.out.contains(QStringLiteral("Done: 15 records")), qPrintable(second.out + second.err));
    const QByteArray area = identityAreaHex(QStringLiteral("PTY1"), QStringLiteral("T2")).value();
    QCOMPARE(fileBytes(image), expectedImage(records, true, area));
}

void TstUpgradeE2e::aVeltorThroughTheGatewayWithANakThenAck()
{
    const QList<TestRecord> records = orvBrelRecords();
    const QString file = writeFile(QStringLiteral("veltor.zel"), upgradeText(records));
    const QString image = m_dir.filePath(QStringLiteral("veltor.img"));
    Sim sim({QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--core"),
             QStringLiteral("3.2"), QStringLiteral("--nak-record"), QStringLiteral("4"),
             QStringLiteral("--image-out"), image},
            true);
    QVERIFY(sim.ready());
    // The user's part: "UG 6041873" typed in the terminal at the controller's own rate.
    QVERIFY(sim.type("UG 6041873"));
    const QStringList args =
        sim.link() + QStringList{QStringLiteral("--device"), QStringLiteral("veltor"),
                                 QStringLiteral("--json"), QStringLiteral("upgrade"), file};
    // Ctrl+C at the question ends the job at once (it used to wait for a line on stdin), nothing sent.
    const CliRun stopped = interruptAtTheQuestion(args);
    QCOMPARE(stopped.exitCode, 130);
    QVERIFY2(stopped.err.contains(QStringLiteral("Records to send")), qPrintable(stopped.err));

    const CliRun run = runCli(args + QStringList{QStringLiteral("--yes")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(QStringLiteral("\"result\":\"done\"")), qPrintable(run.out + run.err));
    // The pre-flight report is part of the one JSON object.
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QVERIFY(json.value(QStringLiteral("preflight"))
                .toArray()
                .first()
                .toString()
                .startsWith(QStringLiteral("Records to send: ")));
    QVERIFY(json.value(QStringLiteral("estimatedMs")).toInteger() > 0);
    QCOMPARE(fileBytes(image), expectedImage(records, false));
}

void TstUpgradeE2e::refusedFilesAreExitOneWithNothingSent()
{
    // No data record: refused before the line is touched.
    const CliRun empty =
        runCli({QStringLiteral("--port"), QStringLiteral("/dev/null"), QStringLiteral("--device"),
                QStringLiteral("veltor"), QStringLiteral("upgrade"),
                writeFile(QStringLiteral("empty.zel"), ":00000001FF\r\n"), QStringLiteral("--yes")});
    QCOMPARE(empty.exitCode, 1);
    QVERIFY(empty.err.contains(QStringLiteral("no data records")));

    // A uKorvo whose core version is not the file's.
    Sim sim({QStringLiteral("--device"), QStringLiteral("ukorvo"), QStringLiteral("--upgrade-switch"),
             QStringLiteral("--core"), QStringLiteral("1.5")},
            false);
    QVERIFY(sim.ready());
    const CliRun core =
        runCli(sim.link() + QStringList{QStringLiteral("--device"), QStringLiteral("ukorvo"),
                                        QStringLiteral("upgrade"),
                                        writeFile(QStringLiteral("core.zel"), upgradeText(uKorvoRecords())),
                                        QStringLiteral("--yes")});
    QCOMPARE(core.exitCode, 1);
    QVERIFY2(core.err.contains(QStringLiteral("The CORE Version Numbers DO NOT Match")),
             qPrintable(core.err));

    // One record whose type was changed from 00 to 01: refused naming its line, and not a byte of the file
    // reaches the controller (its log holds only what the user typed).
    const QString log = m_dir.filePath(QStringLiteral("damaged.log"));
    QFile::remove(log);
    Sim veltor({QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("--log"), log}, false);
    QVERIFY(veltor.ready());
    QVERIFY(veltor.type("UG 6041873"));
    QByteArray damaged = upgradeText(orvBrelRecords());
    damaged[damaged.indexOf(":10002000") + 8] = '1';
    const CliRun refused =
        runCli(veltor.link() +
               QStringList{QStringLiteral("--device"), QStringLiteral("veltor"), QStringLiteral("upgrade"),
                           writeFile(QStringLiteral("damaged.zel"), damaged), QStringLiteral("--yes")});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains(QStringLiteral("Illegal Upgrade File: Line 4: the checksum is")),
             qPrintable(refused.err));
    QCOMPARE(fileBytes(log), QByteArray("UG 6041873\r"));
}

void TstUpgradeE2e::anErasedUKorvoIsRefused()
{
    Sim sim({QStringLiteral("--device"), QStringLiteral("ukorvo"), QStringLiteral("--upgrade-switch"),
             QStringLiteral("--erased")},
            false);
    QVERIFY(sim.ready());
    const CliRun run =
        runCli(sim.link() + QStringList{QStringLiteral("--device"), QStringLiteral("ukorvo"),
                                        QStringLiteral("upgrade"),
                                        writeFile(QStringLiteral("erased.zel"), upgradeText(uKorvoRecords())),
                                        QStringLiteral("--yes")});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains(QStringLiteral("CORE Version Numbers DO NOT Match")));
    // Refused before the pre-flight report: nothing was offered for sending.
    QVERIFY(!run.out.contains(QStringLiteral("Records to send")));
}

void TstUpgradeE2e::anUpgradeOnAFaultyLine_data()
{
    addFaultColumns();
    const auto line = [](LineFault::Class fault, double rate, int seed) {
        return LineFault::simArgs(fault, 0, rate, seed);
    };
    const auto cut = [](LineFault::Class fault, qint64 after) { return LineFault::simArgs(fault, after); };
    const QString noAck = QStringLiteral("Failed: No acknowledgement for :");
    QTest::newRow("clean") << QStringList() << 0 << QString();
    // A record garbled on its way is NAKed and sent again; the image is whole.
    QTest::newRow("corrupt record") << line(LineFault::Corrupt, 0.002, 1) << 0 << QString();
    QTest::newRow("dropped byte") << line(LineFault::Drop, 0.002, 1) << 0 << QString();
    QTest::newRow("doubled byte") << line(LineFault::Dup, 0.002, 1) << 0 << QString();
    // The resend garbled as well; a record whose start or end is lost is not answered at all.
    QTest::newRow("record garbled twice") << line(LineFault::Corrupt, 0.004, 12) << 1
                                          << QStringLiteral("Failed: NAK twice for :100000006C737A81");
    QTest::newRow("record not answered") << line(LineFault::Corrupt, 0.004, 3) << 1 << noAck + "10803000939A";
    // Garbled answers to the identity queries: an acknowledgement that is none, a core version that is wrong.
    QTest::newRow("ack garbled") << line(LineFault::Corrupt, 0.004, 5) << 1
                                 << QStringLiteral("COMM not Established: no answer to \"::v\"");
    QTest::newRow("core garbled") << line(LineFault::Corrupt, 0.004, 16) << 1
                                  << QStringLiteral("Controller core: -1.000");
    QTest::newRow("stall") << cut(LineFault::Stall, 300) << 1 << noAck;
    // A power cycle loses the record being received; the boot loader is still there but says nothing.
    QTest::newRow("reset") << cut(LineFault::Reset, 300) << 1 << noAck;
    QTest::newRow("hangup") << cut(LineFault::Hangup, 300) << 2 << QStringLiteral("no longer available");
}

void TstUpgradeE2e::anUpgradeOnAFaultyLine()
{
    QFETCH(QStringList, faults);
    QFETCH(int, exitCode);
    QFETCH(QString, naming);
    const QList<TestRecord> records = uKorvoRecords();
    const QString image = m_dir.filePath(QStringLiteral("faulty.img"));
    QFile::remove(image);
    SimProcess sim(QStringList{QStringLiteral("--device"), QStringLiteral("ukorvo"),
                               QStringLiteral("--upgrade-switch"), QStringLiteral("--serial"),
                               QStringLiteral("PTY1"), QStringLiteral("--type"), QStringLiteral("T2"),
                               QStringLiteral("--image-out"), image} +
                   faults);
    QVERIFY(sim.ready());
    const CliRun run =
        runKorvoCli({QStringLiteral("--quiet"), QStringLiteral("--port"), sim.path(),
                     QStringLiteral("--device"), QStringLiteral("ukorvo"), QStringLiteral("upgrade"),
                     writeFile(QStringLiteral("faulty.zel"), upgradeText(records)), QStringLiteral("--yes")});
    QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
    if (exitCode != 0)
        return;
    QVERIFY2(run.out.contains(QStringLiteral("Done: 15 records")), qPrintable(run.out));
    sim.stop(); // the image is written when the simulator ends
    const QByteArray area = identityAreaHex(QStringLiteral("PTY1"), QStringLiteral("T2")).value();
    QCOMPARE(fileBytes(image), expectedImage(records, true, area));
}

QTEST_GUILESS_MAIN(TstUpgradeE2e)
#include "tst_upgrade_e2e.moc"
