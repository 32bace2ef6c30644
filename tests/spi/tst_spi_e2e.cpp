// The SPI session against the simulated converter on a real pty: the bytes on the line both ways, a silent
// converter, a short answer, and the version gate of single-character mode. The simulated converter's frame
// reading is checked here too, and korvo-cli spi-send on a faulty line.

#include "app/clock.h"
#include "link/linkfactory.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "sim/spiconverterresponder.h"
#include "simprocess.h"
#include "spi/converterframes.h"
#include "spi/spisession.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace korvo;

Q_DECLARE_METATYPE(korvo::SpiExchange)

namespace {
constexpr int kTimeoutMs = 10000;

// A converter on a pty and a session pointed at it.
struct Bench
{
    ControllerSim controller;
    SimPty pty{controller};
    SpiConverterResponder responder{controller};
    std::unique_ptr<SpiSession> session;

    Bench()
    {
        QString error;
        if (!pty.open(&error))
            qFatal("pty: %s", qPrintable(error));
        responder.setSender([this](const QByteArray &bytes) { pty.inject(bytes); });
        session = std::make_unique<SpiSession>(systemClock(), systemLinkFactory());
        session->useConverter(pty.path());
    }

    // One Send press; the failure text ("" when it went well) and the exchanges it made.
    QString send(const QByteArray &message, int rate = 100, QList<SpiExchange> *exchanges = nullptr,
                 bool *versionRefused = nullptr)
    {
        QSignalSpy ended(session.get(), &SpiSession::ended);
        QSignalSpy exchanged(session.get(), &SpiSession::exchanged);
        SpiSendOptions options;
        options.message = message;
        options.count = 1;
        options.rate = rate;
        session->send(options);
        if (ended.isEmpty() && !ended.wait(kTimeoutMs))
            return QStringLiteral("no end");
        if (exchanges)
            for (const QList<QVariant> &args : exchanged)
                exchanges->append(args[0].value<SpiExchange>());
        if (versionRefused)
            *versionRefused = ended[0][1].toBool();
        return ended[0][0].toString();
    }
};
} // namespace

class TestSpiEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void bytesGoBothWaysExactly()
    {
        Bench bench;
        QList<SpiExchange> exchanges;
        QCOMPARE(bench.send(QByteArray::fromHex("0210AB"), 100, &exchanges), QString());
        QCOMPARE(bench.send(QByteArray::fromHex("031000"), 100, &exchanges), QString());
        QCOMPARE(exchanges.size(), 2);
        QCOMPARE(exchanges[0].received, QByteArray::fromHex("FFFF00"));
        QCOMPARE(exchanges[1].received, QByteArray::fromHex("FFFFAB"));
        // The answer takes at least the line's time for a frame and its reply.
        QVERIFY(exchanges[1].messageMs >= SpiConverterResponder::wireMs(3) - 1);
        QCOMPARE(bench.controller.received(), converterMessageFrame(QByteArray::fromHex("0210AB")) +
                                                  converterMessageFrame(QByteArray::fromHex("031000")));
        QCOMPARE(bench.responder.slave().reg(0x10), quint8(0xAB));
    }

    void aSilentConverterEndsWithCommPortNotOpen()
    {
        Bench bench;
        bench.controller.setSilent(true);
        QCOMPARE(
            bench.send(QByteArray::fromHex("0210AB")),
            QStringLiteral("Comm Port Not Open: the SPI converter answered 0 of 3 bytes within 1000 ms"));
        QVERIFY(!bench.session->isSending());
    }

    void aShortAnswerEndsWithCommPortNotOpen()
    {
        Bench bench;
        bench.responder.setShortFrame(2);
        QCOMPARE(bench.send(QByteArray::fromHex("0210AB")), QString());
        QCOMPARE(
            bench.send(QByteArray::fromHex("031000")),
            QStringLiteral("Comm Port Not Open: the SPI converter answered 2 of 3 bytes within 1000 ms"));
        // The next message is whole again: stale bytes are gone and the port reopens.
        QList<SpiExchange> exchanges;
        QCOMPARE(bench.send(QByteArray::fromHex("031000"), 100, &exchanges), QString());
        QCOMPARE(exchanges.value(0).received, QByteArray::fromHex("FFFFAB"));
    }

    void singleCharacterModeNeedsVersionTwoPointTwoOrOnePointFive_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("2.1") << QByteArray("2.1") << false;
        QTest::newRow("2.3") << QByteArray("2.3") << true;
        QTest::newRow("1.5") << QByteArray("1.5") << true;
    }

    void singleCharacterModeNeedsVersionTwoPointTwoOrOnePointFive()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, accepted);
        Bench bench;
        bench.responder.slave().setReg(0x10, 0x5A);
        bench.responder.setVersion(version);
        bool refused = false;
        QList<SpiExchange> exchanges;
        const QByteArray message = QByteArray::fromHex("031000");
        const QString failure = bench.send(message, 0, &exchanges, &refused);
        QCOMPARE(refused, !accepted);
        if (!accepted) {
            QCOMPARE(failure, SpiSendEngine::kVersionRefused);
            QVERIFY(exchanges.isEmpty());
            return;
        }
        QCOMPARE(failure, QString());
        // Three presses step through the message with the chip select held: the device sees one transaction.
        QVERIFY(bench.send(message, 0, &exchanges).isEmpty());
        QVERIFY(bench.send(message, 0, &exchanges).isEmpty());
        QCOMPARE(exchanges.size(), 3);
        QCOMPARE(exchanges[0].received + exchanges[1].received + exchanges[2].received,
                 QByteArray::fromHex("FFFF5A"));
        QCOMPARE(bench.session->charIndex(), 1);
        QCOMPARE(bench.controller.received().count("VERS"), 1);
    }

    void korvoCliSendsThroughKorvoSim()
    {
        const QString bin = qEnvironmentVariable("KORVO_BIN_DIR");
        QProcess sim;
        sim.start(bin + QStringLiteral("/korvo-sim"),
                  {QStringLiteral("--spi-converter"), QStringLiteral("--pty"),
                   QStringLiteral("--spi-short-frame"), QStringLiteral("3")});
        QVERIFY(sim.waitForStarted(kTimeoutMs));
        QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), kTimeoutMs);
        const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
        const auto cli = [&](const QStringList &args, QByteArray *out = nullptr) {
            QProcess process;
            process.start(bin + QStringLiteral("/korvo-cli"),
                          QStringList{QStringLiteral("--port"), path} + args);
            if (!process.waitForFinished(kTimeoutMs))
                return -1;
            if (out)
                *out = process.readAllStandardOutput();
            return process.exitCode();
        };
        QByteArray out;
        QCOMPARE(cli({QStringLiteral("spi-send"), QStringLiteral("02"), QStringLiteral("10AB")}, &out), 0);
        QVERIFY2(out.startsWith(">  02 10 AB\n<  FF FF 00\n"), out.constData());
        QVERIFY(out.trimmed().endsWith(" ms"));
        QCOMPARE(cli({QStringLiteral("--json"), QStringLiteral("spi-send"), QStringLiteral("031000")}, &out),
                 0);
        QVERIFY2(out.contains("\"received\":\"FFFFAB\""), out.constData());
        // The third frame comes back one byte short: the job failed.
        QCOMPARE(cli({QStringLiteral("spi-send"), QStringLiteral("031000")}), 1);
        QCOMPARE(cli({QStringLiteral("spi-send"), QStringLiteral("0G")}), 2);
        QCOMPARE(cli({QStringLiteral("spi-send"), QStringLiteral("031")}), 2);
        sim.terminate();
        QVERIFY(sim.waitForFinished(kTimeoutMs));
    }

    // korvo-cli spi-send on a faulty line: the reply comes whole, or the job says how much of it came. A
    // frame garbled on its way is dropped by the converter. (Reply bytes carry no check: one changed or
    // doubled on its way back cannot be told from data.)
    void spiSendOnAFaultyLine_data()
    {
        addFaultColumns();
        const auto line = [](LineFault::Class fault, int seed) {
            return LineFault::simArgs(fault, 0, 0.1, seed);
        };
        const auto cut = [](LineFault::Class fault) { return LineFault::simArgs(fault, 4); };
        const QString none =
            QStringLiteral("Comm Port Not Open: the SPI converter answered 0 of 3 bytes within 1000 ms");
        QTest::newRow("clean") << QStringList() << 0 << QString();
        QTest::newRow("corrupt frame") << line(LineFault::Corrupt, 4) << 1 << none;
        QTest::newRow("dropped reply byte")
            << line(LineFault::Drop, 8) << 1
            << QStringLiteral("Comm Port Not Open: the SPI converter answered 2 of 3 bytes");
        QTest::newRow("doubled frame byte") << line(LineFault::Dup, 4) << 1 << none;
        QTest::newRow("doubled end byte") << line(LineFault::Dup, 19) << 0 << QString();
        QTest::newRow("stall") << cut(LineFault::Stall) << 1 << none;
        // A power cycle mid-frame: the converter forgot the frame's start.
        QTest::newRow("reset") << cut(LineFault::Reset) << 1 << none;
        QTest::newRow("hangup") << cut(LineFault::Hangup) << 2 << QStringLiteral("no longer available");
    }

    void spiSendOnAFaultyLine()
    {
        QFETCH(QStringList, faults);
        QFETCH(int, exitCode);
        QFETCH(QString, naming);
        SimProcess sim(QStringList{QStringLiteral("--spi-converter")} + faults);
        QVERIFY(sim.ready());
        const CliRun run = runKorvoCli(
            {QStringLiteral("--port"), sim.path(), QStringLiteral("spi-send"), QStringLiteral("02 10 AB")});
        QVERIFY2(run.unexpected(exitCode, naming).isEmpty(), qPrintable(run.unexpected(exitCode, naming)));
        if (exitCode == 0)
            QVERIFY2(run.out.startsWith(QStringLiteral(">  02 10 AB\n<  FF FF 00\n")), qPrintable(run.out));
        else
            QCOMPARE(run.out, QString());
    }

    void theConverterSkipsMalformedFramesToTheNextStart()
    {
        ControllerSim controller;
        SpiConverterResponder responder(controller);
        responder.setWireTimed(false);
        responder.slave().setReg(0x01, 0x77);
        QByteArray input = "noise";
        input += QByteArray("\x10\x01\x02\x03\x01\x10\x07", 7); // bad trailer
        input += QByteArray("\x10\x02", 2);                     // DLE without SOH
        input += QByteArray("\x05\x02VE\x01", 5);               // control character inside a command
        input += converterMessageFrame(QByteArray::fromHex("030100"));
        input += QByteArray("\x10\x01\x03\x03", 4); // a frame cut off: nothing yet
        controller.setLineBaud(19200);
        controller.receive(input);
        QCOMPARE(controller.takeOutput(), QByteArray::fromHex("FFFF77"));
        QCOMPARE(responder.frames(), 1);
        QCOMPARE(responder.parser().dropped(), 3);
        QVERIFY(responder.parser().inProgress());
        // At another rate the converter hears noise and answers nothing useful.
        ControllerSim other;
        SpiConverterResponder wrongRate(other);
        other.setLineBaud(9600);
        other.receive(converterMessageFrame("\x03"));
        QCOMPARE(wrongRate.frames(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSpiEndToEnd)
#include "tst_spi_e2e.moc"
