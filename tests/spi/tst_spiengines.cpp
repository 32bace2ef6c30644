// The SPI engines on virtual time: Run_SPI_Send's repetition and one-byte stepping, the converter's frames
// and replies split at every offset, and the session carrying both to a fake converter port and a fake
// parallel port.

#include "fakeclock.h"
#include "fakelinks.h"
#include "fakeparallelport.h"
#include "spi/converterframes.h"
#include "spi/spiconverterengine.h"
#include "spi/spisendengine.h"
#include "spi/spisession.h"

#include <QSignalSpy>
#include <QTest>

using namespace korvo;

Q_DECLARE_METATYPE(korvo::SpiExchange)

namespace {
const QByteArray kMessage = QByteArray::fromHex("0210AB");

SpiSendOptions options(int count, int rate, bool parallel = true)
{
    SpiSendOptions o;
    o.message = kMessage;
    o.count = count;
    o.rate = rate;
    o.parallel = parallel;
    return o;
}

// Reads a send engine's events as its owner does: the exchange it asks for apart, the rest kept in order.
struct SendDriver
{
    SpiSendEngine &engine;
    std::vector<EngineEvent> kept = {};

    std::optional<SpiRequest> takeRequest()
    {
        std::optional<SpiRequest> request;
        for (EngineEvent &event : engine.takeEvents()) {
            if (const auto *asked = event.as<SpiRequest>())
                request = *asked;
            else
                kept.push_back(std::move(event));
        }
        return request;
    }
    std::vector<EngineEvent> takeEvents()
    {
        takeRequest();
        return std::exchange(kept, {});
    }
};

std::vector<SpiExchange> exchangesOf(SendDriver &driver)
{
    std::vector<SpiExchange> exchanges;
    for (const EngineEvent &event : driver.takeEvents())
        if (const auto *exchange = event.as<SpiExchange>())
            exchanges.push_back(*exchange);
    return exchanges;
}

QByteArray frame(const QByteArray &bytes)
{
    return QByteArray("\x10\x01", 2) + char(bytes.size()) + bytes + QByteArray("\x10\x04", 2);
}
} // namespace

class TestSpiEngines : public QObject
{
    Q_OBJECT

private slots:
    void theRateGivesTheWaitRoundedHalfToEven()
    {
        QCOMPARE(SpiSendEngine::waitMs(100), 10);
        QCOMPARE(SpiSendEngine::waitMs(1000), 1);
        QCOMPARE(SpiSendEngine::waitMs(400), 2);  // 2.5 -> 2
        QCOMPARE(SpiSendEngine::waitMs(2000), 0); // 0.5 -> 0
        QCOMPARE(SpiSendEngine::waitMs(3000), 0);
        QCOMPARE(SpiSendEngine::waitMs(0), 0);
        QCOMPARE(SpiSendEngine::waitMs(1), 1000);
    }

    void countOneSendsOnceAndDoesNotWait()
    {
        SpiSendEngine engine(options(1, 100));
        SendDriver engineDriver{engine};
        engine.start(0);
        const std::optional<SpiRequest> request = engineDriver.takeRequest();
        QVERIFY(request);
        QCOMPARE(request->kind, SpiRequest::Kind::Message);
        QCOMPARE(request->bytes, kMessage);
        engine.requestDone(QByteArray::fromHex("FFFF00"), 3.5, 4);
        QVERIFY(engine.isFinished());
        QVERIFY(!engine.hasFailed());
        QVERIFY(!engine.nextDeadline());
        QVERIFY(!engineDriver.takeRequest());
        const std::vector<SpiExchange> exchanges = exchangesOf(engineDriver);
        QCOMPARE(exchanges.size(), std::size_t(1));
        QCOMPARE(exchanges[0].sent, kMessage);
        QCOMPARE(exchanges[0].received, QByteArray::fromHex("FFFF00"));
        QCOMPARE(exchanges[0].messageMs, 3.5);
    }

    void wholeMessagesRepeatAtTheRateAndAtOnceWhenOverrun()
    {
        SpiSendEngine engine(options(3, 100));
        SendDriver engineDriver{engine};
        engine.start(0);
        QVERIFY(engineDriver.takeRequest());
        engine.requestDone("abc", 4, 4);
        QCOMPARE(engine.nextDeadline(), std::optional<qint64>(10)); // started at 0, 10 ms apart
        QVERIFY(!engineDriver.takeRequest());
        engine.timerFired(10);
        QVERIFY(engineDriver.takeRequest());
        engine.requestDone("abc", 15, 25); // overran its period: the next one goes at once
        QCOMPARE(engine.nextDeadline(), std::optional<qint64>(25));
        engine.timerFired(25);
        QVERIFY(engineDriver.takeRequest());
        engine.requestDone("abc", 1, 26);
        QVERIFY(engine.isFinished());
        QCOMPARE(engine.sent(), 3);
        std::vector<EngineEvent::Progress> progress;
        for (const EngineEvent &e : engineDriver.takeEvents())
            if (const auto *step = e.as<EngineEvent::Progress>())
                progress.push_back(*step);
        QCOMPARE(progress.size(), std::size_t(3));
        QCOMPARE(progress.back(), (EngineEvent::Progress{3, 3}));
    }

    void countZeroRepeatsUntilStoppedAndAFailureEndsIt()
    {
        SpiSendEngine engine(options(0, 50));
        SendDriver engineDriver{engine};
        engine.start(0);
        qint64 now = 0;
        for (int i = 0; i < 5; ++i) {
            QVERIFY(engineDriver.takeRequest());
            engine.requestDone("xyz", 1, now + 1);
            QCOMPARE(engine.nextDeadline(), std::optional<qint64>(now + 20));
            now += 20;
            engine.timerFired(now);
        }
        engine.cancel(now);
        QVERIFY(engine.isFinished());
        QVERIFY(!engine.hasFailed());
        QVERIFY(engine.stopped());

        SpiSendEngine failing(options(0, 50));

        SendDriver failingDriver{failing};
        failing.start(0);
        QVERIFY(failingDriver.takeRequest());
        failing.writeFailed(SpiConverterEngine::kIncomplete, 1000);
        QVERIFY(failing.hasFailed());
        QCOMPARE(failing.failure(), QStringLiteral("Comm Port Not Open"));
        QVERIFY(!failing.nextDeadline());
    }

    void rateZeroStepsOneByteAPressAndStartsOver()
    {
        int index = 1;
        QList<int> stepped;
        for (int press = 0; press < 4; ++press) {
            SpiSendOptions o = options(1, 0);
            o.charIndex = index;
            SpiSendEngine engine(o);
            SendDriver engineDriver{engine};
            engine.start(0);
            const std::optional<SpiRequest> request = engineDriver.takeRequest();
            QVERIFY(request);
            QCOMPARE(request->kind, SpiRequest::Kind::Char);
            QCOMPARE(request->bytes, kMessage.mid(index - 1, 1));
            QCOMPARE(request->first, index == 1);
            QCOMPARE(request->last, index == 3);
            stepped << index;
            engine.requestDone("\x5A", 0.1, 1);
            QVERIFY(engine.isFinished());
            QCOMPARE(exchangesOf(engineDriver).front().sent, kMessage.mid(index - 1, 1));
            index = engine.charIndex();
        }
        QCOMPARE(stepped, (QList<int>{1, 2, 3, 1}));
        // A rate whose wait rounds to 0 steps too.
        SpiSendEngine fast(options(5, 2000));
        SendDriver fastDriver{fast};
        fast.start(0);
        QCOMPARE(fastDriver.takeRequest()->kind, SpiRequest::Kind::Char);
    }

    void theConverterNeedsSingleCharacterModeForRateZero()
    {
        SpiSendEngine refused(options(1, 0, false));
        SendDriver refusedDriver{refused};
        refused.start(0);
        QCOMPARE(refusedDriver.takeRequest()->kind, SpiRequest::Kind::CheckVersion);
        refused.versionChecked(false, 5);
        QVERIFY(refused.hasFailed());
        QVERIFY(refused.versionRefused());
        QCOMPARE(refused.failure(),
                 QStringLiteral("Set Rate > 0\r\nThis VT-QX510 does not support Single Character Mode."));

        SpiSendEngine accepted(options(1, 0, false));

        SendDriver acceptedDriver{accepted};
        accepted.start(0);
        QVERIFY(acceptedDriver.takeRequest());
        accepted.versionChecked(true, 5);
        QVERIFY(accepted.converterChecked());
        QCOMPARE(acceptedDriver.takeRequest()->kind, SpiRequest::Kind::Char);
    }

    void converterMessageRepliesCompleteAtEveryOffset()
    {
        const QByteArray reply = QByteArray::fromHex("FFFF5A");
        for (int split = 0; split <= reply.size(); ++split) {
            SpiConverterEngine engine({SpiConverterEngine::Job::Message, kMessage});
            engine.start(100);
            const std::vector<LinkAction> out = engine.takeOutput();
            QCOMPARE(out.size(), std::size_t(2));
            QCOMPARE(out[0].kind, LinkAction::Kind::SetSettings);
            QCOMPARE(out[0].settings, QStringLiteral("19200,n,8,1"));
            QCOMPARE(out[1].bytes, frame(kMessage));
            QCOMPARE(engine.nextDeadline(), std::optional<qint64>(1100));
            engine.bytesReceived(reply.left(split), 150);
            QCOMPARE(engine.isFinished(), split == reply.size());
            engine.bytesReceived(reply.mid(split), 160);
            QVERIFY(engine.isFinished());
            QVERIFY(!engine.hasFailed());
            QCOMPARE(engine.reply(), reply);
        }
    }

    void aShortOrSilentConverterFailsAtTheDeadline()
    {
        SpiConverterEngine engine({SpiConverterEngine::Job::Message, kMessage});
        engine.start(0);
        engine.bytesReceived("\xFF\xFF", 10);
        engine.timerFired(1000);
        QVERIFY(engine.hasFailed());
        QCOMPARE(engine.failure(),
                 QStringLiteral("Comm Port Not Open: the SPI converter answered 2 of %1 bytes within 1000 ms")
                     .arg(kMessage.size()));
    }

    void versionRepliesAreJudgedOnceTwoCharactersCame()
    {
        const struct
        {
            QByteArray reply;
            bool accepted;
        } cases[] = {{"2.1\r", false}, {"2.3\r", true},     {"1.5\r", true},
                     {"1.4\r", false}, {"V2.10\r\n", true}, {"ok\r", false}};
        for (const auto &c : cases) {
            SpiConverterEngine engine({SpiConverterEngine::Job::Version, {}});
            engine.start(0);
            QCOMPARE(engine.takeOutput().back().bytes, QByteArray("\x05\x02VERS\x03\x04"));
            engine.bytesReceived(c.reply, 5);
            QVERIFY(engine.isFinished());
            QCOMPARE(engine.versionAccepted(), c.accepted);
        }
        // Two characters end the wait (it used to run on to a terminator or the deadline): "2" then ".3"
        // is whole at the second piece; "2." alone is judged as it stands.
        SpiConverterEngine pieces({SpiConverterEngine::Job::Version, {}});
        pieces.start(0);
        pieces.bytesReceived("2", 5);
        QVERIFY(!pieces.isFinished());
        pieces.bytesReceived(".3", 6);
        QVERIFY(pieces.isFinished() && pieces.versionAccepted());
        SpiConverterEngine cut({SpiConverterEngine::Job::Version, {}});
        cut.start(0);
        cut.bytesReceived("2.", 5);
        QVERIFY(cut.isFinished() && !cut.versionAccepted());
        QCOMPARE(cut.nextDeadline(), std::nullopt);
        // A terminator still ends a shorter reply; silence is not accepted.
        SpiConverterEngine bare({SpiConverterEngine::Job::Version, {}});
        bare.start(0);
        bare.bytesReceived("\r", 5);
        QVERIFY(bare.isFinished() && !bare.versionAccepted());
        SpiConverterEngine silent({SpiConverterEngine::Job::Version, {}});
        silent.start(0);
        silent.timerFired(1000);
        QVERIFY(!silent.versionAccepted() && !silent.hasFailed());
    }

    void sessionCarriesMessagesToTheConvertersOwnPort()
    {
        FakeClock clock;
        FakeLinkFactory factory(clock);
        SpiSession session(clock, factory);
        session.useConverter(QStringLiteral("/dev/ttyUSB0"));
        QSignalSpy exchanged(&session, &SpiSession::exchanged);
        QSignalSpy ended(&session, &SpiSession::ended);
        FakeSerialLink &serial = *factory.serial;

        serial.deliver("stale"); // before the port is opened: thrown away on open
        session.send(options(2, 100, false));
        QVERIFY(serial.isOpen());
        QCOMPARE(serial.lastPortName, QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(serial.lastSettings, QStringLiteral("19200,n,8,1"));
        QCOMPARE(serial.written(), frame(kMessage));
        clock.advance(7);
        serial.deliver(QByteArray::fromHex("FFFF00"));
        QCOMPARE(exchanged.count(), 1);
        QCOMPARE(exchanged[0][0].value<SpiExchange>().received, QByteArray::fromHex("FFFF00"));
        QCOMPARE(exchanged[0][0].value<SpiExchange>().messageMs, 7.0);
        QVERIFY(!serial.isOpen()); // closed after each message
        QCOMPARE(serial.closes, 1);
        clock.advance(3); // the second message 10 ms after the first started
        QCOMPARE(serial.writes.size(), 2);
        QCOMPARE(serial.writes[1].at, 10);
        serial.deliver(QByteArray::fromHex("FFFFAB"));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended[0][0].toString(), QString());
        QVERIFY(!session.isSending());
    }

    void sessionStopsRepeatingOnASilentOrVanishedConverter()
    {
        FakeClock clock;
        FakeLinkFactory factory(clock);
        SpiSession session(clock, factory);
        session.useConverter(QStringLiteral("/dev/pts/9"));
        QSignalSpy ended(&session, &SpiSession::ended);
        FakeSerialLink &serial = *factory.serial;

        session.send(options(0, 100, false));
        clock.advance(999);
        QCOMPARE(ended.count(), 0);
        clock.advance(1);
        QCOMPARE(ended.count(), 1);
        QVERIFY(ended[0][0].toString().startsWith(
            QStringLiteral("Comm Port Not Open: the SPI converter answered 0 of")));
        QVERIFY(!serial.isOpen());
        QCOMPARE(clock.nextDeadline(), -1); // nothing left armed: no spinning

        session.send(options(0, 100, false));
        serial.deliver(QByteArray::fromHex("FFFF00"));
        clock.advance(10);
        serial.vanish(QStringLiteral("Input/output error"));
        QCOMPARE(ended.count(), 2);
        QCOMPARE(ended[1][0].toString(), QStringLiteral("Input/output error"));
        const qsizetype writes = serial.writes.size();
        clock.advance(5000);
        QCOMPARE(serial.writes.size(), writes);

        serial.openError = QStringLiteral("Permission denied");
        session.send(options(1, 100, false));
        QCOMPARE(ended.count(), 3);
        QVERIFY(ended[2][0].toString().startsWith(QLatin1String("Permission denied")));
    }

    void sessionStepsTheConverterWithItsChipSelectHeld()
    {
        FakeClock clock;
        FakeLinkFactory factory(clock);
        SpiSession session(clock, factory);
        session.useConverter(QStringLiteral("/dev/pts/9"));
        QSignalSpy ended(&session, &SpiSession::ended);
        FakeSerialLink &serial = *factory.serial;

        session.send(options(1, 0, false));
        QCOMPARE(serial.written(), QByteArray("\x05\x02VERS\x03\x04"));
        serial.deliver("2.3\r");
        QCOMPARE(serial.writes.last().bytes, QByteArray("\x05\x02"
                                                        "CS0\x03\x04",
                                                        7) +
                                                 frame("\x02"));
        serial.deliver("\xFF");
        QVERIFY(serial.isOpen()); // held open between the bytes of one message
        QCOMPARE(session.charIndex(), 2);
        session.send(options(1, 0, false));
        serial.deliver("\xFF");
        session.send(options(1, 0, false));
        QCOMPARE(serial.writes.last().bytes, frame("\xAB") + QByteArray("\x05\x02"
                                                                        "CS1\x03\x04",
                                                                        7));
        serial.deliver(QByteArray(1, 0));
        QVERIFY(!serial.isOpen());
        QCOMPARE(session.charIndex(), 1);
        QCOMPARE(ended.count(), 3);
        // The accepted version is remembered: the next step asks no more.
        serial.writes.clear();
        session.send(options(1, 0, false));
        QVERIFY(!serial.written().contains("VERS"));
    }

    void sessionStopsAConverterExchangeUnderWay()
    {
        FakeClock clock;
        FakeLinkFactory factory(clock);
        SpiSession session(clock, factory);
        session.useConverter(QStringLiteral("/dev/pts/9"));
        QSignalSpy ended(&session, &SpiSession::ended);
        session.send(options(0, 100, false));
        session.stop();
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended[0][0].toString(), QString());
        QVERIFY(!factory.serial->isOpen());
        QCOMPARE(clock.nextDeadline(), -1);
    }

    void sessionCarriesTheParallelPortAtOnce()
    {
        FakeClock clock;
        FakeLinkFactory factory(clock);
        FakeParallelPort port;
        QString error;
        QVERIFY(port.open(QStringLiteral("/dev/parport0"), &error));
        port.slave.setReg(0x10, 0x33);
        SpiSession session(clock, factory);
        session.useParallel(&port, SpiCalibration{});
        QSignalSpy exchanged(&session, &SpiSession::exchanged);
        session.send(options(1, 100));
        QCOMPARE(exchanged.count(), 1);
        QCOMPARE(exchanged[0][0].value<SpiExchange>().received, QByteArray::fromHex("FFFF33"));
        QVERIFY(!session.isSending());
        QCOMPARE(factory.serial->opens, 0); // ports 1..4 never touch the converter
    }
};

QTEST_GUILESS_MAIN(TestSpiEngines)
#include "tst_spiengines.moc"
