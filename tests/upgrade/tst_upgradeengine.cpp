// The upgrade dialogue engine: an exact transcript of step 7 with replies split at every offset, and whole
// upgrades against the simulated controller in virtual time (both procedures, serial and gateway, NAKs,
// abort, refusals, a silent or vanishing controller, and a second run after a failed one).

#include "upgradebench.h"
#include "upgradefiles.h"

#include "upgrade/upgradefile.h"

#include <QtTest>

using namespace korvo;
using Phase = UpgradeEngine::Phase;

namespace {
UpgradeSimOptions veltorOptions()
{
    UpgradeSimOptions options;
    options.version = QStringLiteral("3.001");
    options.core = QStringLiteral("3.2");
    options.serial = QStringLiteral("V-12345");
    options.type = QString();
    return options;
}

UpgradeSimOptions uKorvoOptions()
{
    UpgradeSimOptions options;
    options.upgradeSwitch = true;
    options.version = QStringLiteral("2.0");
    options.core = QStringLiteral("1.0");
    options.serial = QStringLiteral("UK77");
    options.type = QStringLiteral("T-9");
    return options;
}

void typeUpgradeCommand(UpgradeBench &bench)
{
    bench.sim.receive("UG 6041873\r");
    bench.sim.takeOutput();
    QVERIFY(bench.responder.inUpgradeMode());
}

// Feeds a reply in two pieces split at the given offset.
void feedSplit(UpgradeEngine &engine, const QByteArray &reply, qsizetype at, qint64 now)
{
    engine.bytesReceived(reply.left(at), now);
    engine.bytesReceived(reply.mid(at), now);
}

QByteArray written(UpgradeEngine &engine)
{
    QByteArray out;
    for (const LinkAction &action : engine.takeOutput())
        out += action.kind == LinkAction::Kind::SetSettings ? ("[" + action.settings.toLatin1() + "]")
                                                            : action.bytes;
    return out;
}
} // namespace

class TstUpgradeEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stepSevenTranscriptWithRepliesSplitAtEveryOffset();
    void everyReceivedCharacterMovesTheWatchdog();
    void uKorvoOverSerialWritesTheImageWithTheIdentityArea();
    void veltorThroughTheGatewaySendsEveryRecordEvenAfterANakedErase();
    void abortSendsTheEndRecordAndASecondRunCompletes();
    void refusedFilesSayWhy_data();
    void refusedFilesSayWhy();
    void aSilentControllerIsCommNotEstablished();
    void closingGivesTheRateBack();
};

void TstUpgradeEngine::stepSevenTranscriptWithRepliesSplitAtEveryOffset()
{
    UpgradeScan file = scanUpgradeText(upgradeText(orvBrelRecords()), Veltor);
    const QByteArray replies[] = {
        QByteArray("\x06"),                             // :ZELInc
        QByteArray(":v \x03\x00\x05\x00\x06", 8),       // ::v
        QByteArray(":c 00030078\r\n\x06"),              // ::c: 3.120, a Plus controller
        QByteArray(":p  Veltor\x01Plus \r\n\x06"),      // ::p
        QByteArray(":s \r\nSERIAL-0000000042\r\n\x06"), // ::s
    };
    const QByteArray commands[] = {":ZELInc\r", "::v\r", "::c\r", "::p\r", "::s\r"};
    for (int which = 0; which < 5; ++which) {
        for (qsizetype at = 0; at <= replies[which].size(); ++at) {
            UpgradeOptions options;
            options.lineDelayMs = 20;
            UpgradeEngine engine(options);
            engine.start(0);
            engine.establish(0, file);
            QCOMPARE(written(engine), QByteArray("[19200,N,8,1]\x03"));
            QCOMPARE(engine.nextDeadline(), 4000);
            qint64 now = 4000;
            engine.timerFired(now);
            for (int step = 0; step < 5; ++step) {
                QCOMPARE(written(engine), commands[step]);
                // The line pause after CR, then the command's own pause, then the reply wait.
                now += 20;
                engine.timerFired(now);
                now = *engine.nextDeadline();
                engine.timerFired(now);
                if (step == which)
                    feedSplit(engine, replies[step], at, now);
                else
                    engine.bytesReceived(replies[step], now);
            }
            QCOMPARE(engine.phase(), Phase::Ready);
            QCOMPARE(engine.controllerVersion(), QStringLiteral("3.005"));
            QCOMPARE(engine.controllerCore(), QStringLiteral("3.120"));
            QVERIFY(engine.plusLayout());
            QCOMPARE(engine.productText(), QStringLiteral("Veltor Plus"));
            QCOMPARE(engine.serialNumber(), QStringLiteral("SERIAL-0000000042")); // 3.0 up: the whole value
            QVERIFY(engine.typeNumber().isEmpty());
            QVERIFY(!engine.nextDeadline());
        }
    }
}

void TstUpgradeEngine::everyReceivedCharacterMovesTheWatchdog()
{
    UpgradeEngine engine(UpgradeOptions{});
    engine.start(0);
    engine.establish(0, scanUpgradeText(upgradeText(orvBrelRecords()), Veltor));
    written(engine);
    engine.timerFired(4000);
    QCOMPARE(written(engine), QByteArray(":ZELInc\r"));
    engine.timerFired(5000); // the pause after the command: now the reply wait
    QCOMPARE(engine.nextDeadline(), 10000);
    // A controller that dribbles: each character moves the 5000 ms watchdog on.
    qint64 now = 5000;
    for (int i = 0; i < 3; ++i) {
        now += 4999;
        engine.bytesReceived("x", now);
        QCOMPARE(engine.nextDeadline(), now + 5000);
    }
    engine.bytesReceived("\x06", now + 4999);
    QCOMPARE(written(engine), QByteArray("::v\r"));
    QVERIFY(!engine.timedOut());
    QCOMPARE(engine.phase(), Phase::Establishing);
}

void TstUpgradeEngine::uKorvoOverSerialWritesTheImageWithTheIdentityArea()
{
    const QList<TestRecord> records = uKorvoRecords();
    const UpgradeScan scan = scanUpgradeText(upgradeText(records), UKorvo);
    UpgradeOptions options;
    options.terminalSettings = QStringLiteral("19200,N,8,1");
    UpgradeBench bench(UKorvo, uKorvoOptions(), options);
    bench.establish(scan);
    QCOMPARE(bench.engine->phase(), Phase::Ready);
    QCOMPARE(bench.engine->controllerVersion(), QStringLiteral("2.000"));
    QCOMPARE(bench.engine->controllerCore(), QStringLiteral("1.000"));
    QCOMPARE(bench.engine->serialNumber(), QStringLiteral("UK77"));
    QCOMPARE(bench.engine->typeNumber(), QStringLiteral("T-9"));
    QVERIFY(!bench.engine->plusLayout());

    QVERIFY(bench.upgrade(scan, UKorvo));
    QCOMPARE(bench.engine->phase(), Phase::TransferDone);
    QVERIFY(bench.statuses.contains(QStringLiteral("Done")));
    const QList<QByteArray> sent = bench.recordsSent();
    // Preamble, then the file's records from 8000 up; no end record for a uKorvo.
    QCOMPARE(sent.at(0), QByteArray(kUpperBankRecord));
    QVERIFY(sent.at(1).startsWith(":0FFFEC00"));
    QCOMPARE(sent.at(2), QByteArray(kLowerBankRecord));
    QCOMPARE(sent.size(), 3 + 1 + 6 + 1 + 3 + 1);
    QVERIFY(!sent.contains(QByteArray(kEndRecord)));
    QCOMPARE(bench.engine->bytesSent(), scan.totalBytes);
    QCOMPARE(bench.engine->recordsSent(), bench.engine->recordsTotal());

    const QByteArray area = identityAreaHex(QStringLiteral("UK77"), QStringLiteral("T-9")).value();
    QCOMPARE(bench.responder.image(), expectedImage(records, true, area));

    bench.close();
    QVERIFY(bench.wire.endsWith("::r\r"));
    QVERIFY(bench.engine->baudChanged());
    QCOMPARE(bench.engine->terminalSettingsAfter(), QStringLiteral("9600,N,8,1"));
}

void TstUpgradeEngine::veltorThroughTheGatewaySendsEveryRecordEvenAfterANakedErase()
{
    const QList<TestRecord> records = orvBrelRecords();
    const UpgradeScan scan = scanUpgradeText(upgradeText(records), Veltor);
    UpgradeSimOptions simOptions = veltorOptions();
    simOptions.nakErase = true;
    UpgradeOptions options;
    options.tcp = true;
    UpgradeBench bench(Veltor, simOptions, options);
    typeUpgradeCommand(bench);
    bench.establish(scan);
    QCOMPARE(bench.engine->phase(), Phase::Ready);
    QVERIFY(bench.wire.startsWith("}02:19\x03:ZELInc\r"));
    QVERIFY(bench.settings.isEmpty()); // the gateway's code, never a local rate change
    QVERIFY(bench.upgrade(scan, Veltor));
    QCOMPARE(bench.engine->phase(), Phase::TransferDone);
    QCOMPARE(bench.recordsSent().last(), QByteArray(kEndRecord));
    QCOMPARE(bench.responder.image(), expectedImage(records, false));
    // Character 3 after the end record restarted it out of upgrade mode.
    QVERIFY(!bench.responder.inUpgradeMode());
    bench.close();
    QVERIFY(bench.wire.endsWith("\x03\x03}02:11"));
    QVERIFY(bench.engine->baudChanged());
}

void TstUpgradeEngine::abortSendsTheEndRecordAndASecondRunCompletes()
{
    const QList<TestRecord> records = orvBrelRecords();
    const UpgradeScan scan = scanUpgradeText(upgradeText(records), Veltor);
    UpgradeOptions options;
    options.lineDelayMs = 10; // time passes between records, so Abort can come in between
    UpgradeBench bench(Veltor, veltorOptions(), options);
    typeUpgradeCommand(bench);
    bench.establish(scan);
    QVERIFY(bench.engine->upgrade(bench.now, planUpgrade(scan, Veltor), scan.totalBytes, {}, {}));
    QVERIFY(bench.runUntil([&] { return bench.responder.recordsTaken() >= 6; }));
    bench.engine->abort(bench.now);
    bench.pump();
    QVERIFY(bench.statuses.contains(QStringLiteral("ABORTED UPGRADE")));
    QVERIFY(bench.runUntil([&] { return bench.engine->phase() != Phase::Transferring; }));
    QCOMPARE(bench.engine->phase(), Phase::TransferAborted);
    QCOMPARE(bench.statuses.last(), QStringLiteral("Aborted"));
    QCOMPARE(bench.recordsSent().last(), QByteArray(kEndRecord));
    QVERIFY(bench.recordsSent().size() < 10);
    bench.close();
    QVERIFY(bench.responder.inUpgradeMode());

    // The wizard again from the start: the controller is still waiting in upgrade mode.
    bench.newEngine({});
    bench.establish(scan);
    QCOMPARE(bench.engine->phase(), Phase::Ready);
    QVERIFY(bench.upgrade(scan, Veltor));
    QCOMPARE(bench.engine->phase(), Phase::TransferDone);
    QCOMPARE(bench.responder.image(), expectedImage(records, false));
}

void TstUpgradeEngine::refusedFilesSayWhy_data()
{
    QTest::addColumn<DeviceType>("device");
    QTest::addColumn<QString>("core");
    QTest::addColumn<bool>("erased");
    QTest::addColumn<char>("kind");
    QTest::addColumn<QString>("says");
    QTest::newRow("Plus controller, file of another kind")
        << Veltor << QStringLiteral("3.2") << false << 'J' << QStringLiteral("Orv Plus upgrade needed.");
    QTest::newRow("older controller, Plus file")
        << Fendra << QStringLiteral("2.9") << false << 'I' << QStringLiteral("Orv upgrade needed.");
    QTest::newRow("uKorvo core differs") << UKorvo << QStringLiteral("1.5") << false << 'I'
                                         << QStringLiteral("CORE Version Numbers DO NOT Match");
    QTest::newRow("uKorvo erased") << UKorvo << QStringLiteral("1.0") << true << 'I'
                                   << QStringLiteral("CORE Version Numbers DO NOT Match");
}

void TstUpgradeEngine::refusedFilesSayWhy()
{
    QFETCH(DeviceType, device);
    QFETCH(QString, core);
    QFETCH(bool, erased);
    QFETCH(char, kind);
    QFETCH(QString, says);
    UpgradeSimOptions simOptions = device == UKorvo ? uKorvoOptions() : veltorOptions();
    simOptions.core = core;
    simOptions.erased = erased;
    const QByteArray text = upgradeText(device == UKorvo ? uKorvoRecords() : orvBrelRecords(kind));
    const UpgradeScan scan = scanUpgradeText(text, device);
    UpgradeBench bench(device, simOptions);
    if (device != UKorvo)
        typeUpgradeCommand(bench);
    bench.establish(scan);
    QCOMPARE(bench.engine->phase(), Phase::Refused);
    QVERIFY2(bench.engine->refusal().contains(says), qPrintable(bench.engine->refusal()));
    if (erased)
        QVERIFY(bench.engine->controllerVersion().isEmpty());
    // Nothing was asked after the refusal, and nothing can be sent.
    QVERIFY(!bench.wire.contains("::s"));
    QCOMPARE(bench.recordsSent().size(), 0);
}

void TstUpgradeEngine::aSilentControllerIsCommNotEstablished()
{
    UpgradeBench bench(Veltor, veltorOptions());
    typeUpgradeCommand(bench);
    bench.silent = true;
    bench.establish(scanUpgradeText(upgradeText(orvBrelRecords()), Veltor));
    QCOMPARE(bench.engine->phase(), Phase::CommFailed);
    QCOMPARE(bench.now, 4000 + 1000 + 5000);
    QCOMPARE(bench.statuses.last(), QStringLiteral("COMM not Established"));
    // Previous and Next: a second attempt on the same engine.
    bench.silent = false;
    bench.establish(scanUpgradeText(upgradeText(orvBrelRecords()), Veltor));
    QCOMPARE(bench.engine->phase(), Phase::Ready);
}

void TstUpgradeEngine::closingGivesTheRateBack()
{
    const UpgradeScan scan = scanUpgradeText(upgradeText(orvBrelRecords()), Veltor);
    {
        // A serial terminal at 9600 already: nothing to restore, no notice.
        UpgradeBench bench(Veltor, veltorOptions());
        typeUpgradeCommand(bench);
        bench.establish(scan);
        QVERIFY(bench.upgrade(scan, Veltor));
        bench.close();
        QVERIFY(!bench.engine->baudChanged());
        QVERIFY(bench.engine->terminalSettingsAfter().isEmpty());
        QCOMPARE(bench.statuses.last(), QStringLiteral("Closed"));
    }
    {
        // A uKorvo behind a CAN link: reset, SYNC, and the rate left alone.
        UpgradeOptions options;
        options.canLink = true;
        options.terminalSettings = QStringLiteral("38400,N,8,1");
        const UpgradeScan uKorvo = scanUpgradeText(upgradeText(uKorvoRecords()), UKorvo);
        UpgradeBench bench(UKorvo, uKorvoOptions(), options);
        bench.establish(uKorvo);
        QVERIFY(bench.upgrade(uKorvo, UKorvo));
        const qint64 before = bench.now;
        bench.close();
        QVERIFY(bench.wire.endsWith("::r\r\x01SYNC\x01"));
        QCOMPARE(bench.now - before, 5000);
        QVERIFY(!bench.engine->baudChanged());
        QVERIFY(bench.engine->terminalSettingsAfter().isEmpty());
    }
    {
        // Cancel at step 7 before any upgrade, serial: nothing sent at close.
        UpgradeBench bench(Veltor, veltorOptions());
        bench.engine->close(bench.now);
        bench.pump();
        QVERIFY(bench.engine->isFinished());
        QVERIFY(bench.wire.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TstUpgradeEngine)
#include "tst_upgradeengine.moc"
