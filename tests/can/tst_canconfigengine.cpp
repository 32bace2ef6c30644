// The CAN configuration exchange against the simulated adapter, module and monitor, on virtual time, with
// every reply cut in two at every offset: finding the adapter, reading, applying, closing, and the faults.

#include "cansimrig.h"

#include <QtTest>

using namespace korvo;

namespace {
CanConfigOptions options(CanTarget target, bool tcp = false)
{
    CanConfigOptions o;
    o.target = target;
    o.timing.baud = 9600;
    o.timing.tcp = tcp;
    return o;
}

// Cuts worth trying for replies of up to ~560 bytes: every small offset, then a coarser sweep.
QList<int> cuts()
{
    QList<int> list;
    for (int cut = 0; cut <= 40; ++cut)
        list.append(cut);
    for (int cut = 50; cut <= 600; cut += 25)
        list.append(cut);
    return list;
}
} // namespace

class TstCanConfigEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void waitsAreDeadlinesFromTheReplyTimer()
    {
        CanConfigEngine engine(options(CanTarget::Dongle));
        engine.start(0);
        QCOMPARE(engine.nextDeadline(), 771); // 11 characters at 9600 + 55 + 100
        engine.takeOutput();
        engine.timerFired(771); // the stored rate stayed silent: the search starts at 4800
        const std::vector<LinkAction> out = engine.takeOutput();
        QCOMPARE(out.size(), 2u);
        QCOMPARE(out[0].settings, QStringLiteral("4800,N,8,1"));
        QCOMPARE(out[1].bytes, QByteArray("\x05"));
        QCOMPARE(engine.nextDeadline(), 771 + 782);
        engine.bytesReceived("*", 800);
        QCOMPARE(engine.takeOutput().front().bytes, QByteArray(":PGMcfg\r"));
        QCOMPARE(engine.foundSettings(), QStringLiteral("4800,N,8,1"));
    }

    void theDongleIsFoundAtNineteenTwoHundredAndRead()
    {
        for (const int cut : cuts()) {
            CanSimRig rig(CanResponder::Kind::Dongle, 19200);
            rig.cut = cut;
            rig.sim.setLineBaud(19200);
            rig.sim.receive(":C_BTR0=41\r:M2_UAR0=12\r"); // the adapter's own settings differ
            rig.sim.setLineBaud(9600);
            rig.sim.takeOutput();
            CanConfigEngine engine(options(CanTarget::Dongle));
            engine.start(rig.now);
            QVERIFY(rig.run(engine));
            QVERIFY2(rig.online, qPrintable(QString::number(cut)));
            QVERIFY(rig.notices.isEmpty());
            QCOMPARE(rig.sent, QByteArray("<9600,N,8,1>\x05<4800,N,8,1>\x05<9600,N,8,1>\x05<19200,N,8,1>\x05"
                                          ":PGMcfg\r:GETcfg\r"));
            QCOMPARE(engine.records()[1].baud, 19);
            QCOMPARE(engine.foundSettings(), QStringLiteral("19200,N,8,1"));
            QCOMPARE(engine.fields().btr0, 0x41);
            QCOMPARE(engine.fields().uar0[1], 0x12);
            QCOMPARE(engine.fields().flags[1], 8); // frame 2 transmits
            QVERIFY(rig.statuses.contains(QStringLiteral("Communicating")));
        }
    }

    void aModuleIsReadEditedProgrammedAndReadBack()
    {
        for (const int cut : cuts()) {
            CanSimRig rig(CanResponder::Kind::Module);
            rig.cut = cut;
            CanConfigEngine engine(options(CanTarget::Module));
            engine.start(rig.now);
            QVERIFY(rig.run(engine));
            QVERIFY2(rig.online, qPrintable(QString::number(cut)));
            QCOMPARE(rig.notices, QStringList{QStringLiteral(
                                      "Connect MODULE \"Config\" to Ground.\r\nThen click \"OK\".")});
            QCOMPARE(rig.sent,
                     QByteArray("<9600,N,8,1>\x05:PGMcfg\r:GETcfg\r:setCAN\r:RESETpgm\rVER\r\nRECALL\r\n"));
            QCOMPARE(engine.fields().btr0, 83);
            QCOMPARE(engine.fields().name, '!');

            // A new bit rate (125 kbit/s) and message frame 3 made valid with a 29-bit identifier.
            engine.fields().btr0 = 0x44;
            engine.fields().btr1 = 0x1C;
            engine.setPageModified(CanPage::BitTiming);
            engine.fields().flags[2] = 4;
            engine.fields().uar0[2] = 0x12;
            engine.setPageModified(CanPage::Frame3);
            rig.sent.clear();
            engine.pressOk(rig.now);
            QVERIFY(rig.run(engine));
            QVERIFY(rig.closed);
            QVERIFY(engine.isFinished() && !engine.hasFailed());
            QVERIFY(
                rig.sent.startsWith("BTR0=44\r\nBTR1=1C\r\nFRM=311\r\nUAR0=312\r\nUAR1=3FE\r\nLAR0=300\r\n"
                                    "LAR1=300\r\n\x05:PGMcfg\r:C_BTR0=53\r"));
            QVERIFY(rig.sent.endsWith(":RESETpgm\r"));
            QCOMPARE(rig.notices.last(),
                     QStringLiteral("Disconnect MODULE \"Config\" from Ground.\r\nThen click \"OK\"."));
            QCOMPARE(engine.records()[0].btr0, 0x53); // the working copy as OK found it
            QVERIFY(!rig.responder.inConfigMode());

            // Reopened: the module reports what was programmed, also to a script that reads and closes.
            CanConfigOptions readOnly = options(CanTarget::Module);
            readOnly.script = CanConfigOptions::Script::Read;
            CanConfigEngine reader(readOnly);
            reader.start(rig.now);
            QVERIFY(rig.run(reader));
            QVERIFY(reader.isFinished() && !reader.hasFailed());
            QCOMPARE(reader.connectedSettings().btr0, 0x44);
            QCOMPARE(reader.fields().btr0, 0x53); // the adapter's own, put back on closing
            rig.notices.clear();
            CanConfigEngine again(options(CanTarget::Module));
            again.start(rig.now);
            QVERIFY(rig.run(again));
            QVERIFY(rig.online);
            QCOMPARE(again.fields().btr0, 0x44);
            QCOMPARE(again.fields().btr1, 0x1C);
            QCOMPARE(again.fields().flags[2], 4);
            QCOMPARE(again.fields().uar0[2], 0x12);
        }
    }

    void theMonitorSendsDirectionOnlyForFrameTwo()
    {
        CanSimRig rig(CanResponder::Kind::Monitor);
        CanConfigEngine engine(options(CanTarget::Monitor));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.online);
        engine.fields().uar0[0] = 0x21;
        engine.setPageModified(CanPage::Frame1);
        engine.fields().flags[1] = 8 | 4;
        engine.setPageModified(CanPage::Frame2);
        rig.sent.clear();
        engine.setCurrentPage(CanPage::Frame1);
        engine.pressApply(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.sent, QByteArray(":M1_UAR0=21\r:M1_UAR1=FE\r:M1_LAR0=00\r:M1_LAR1=00\r:M1_XTD=0\r"));
        QVERIFY(engine.pageModified(CanPage::Frame2));
        rig.sent.clear();
        engine.pressOk(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.sent, QByteArray(":M2_UAR0=FF\r:M2_UAR1=FE\r:M2_LAR0=00\r:M2_LAR1=00\r:M2_XTD=1\r"
                                      ":M2_MCFG=08\r:RESETpgm\r"));
        QCOMPARE(rig.responder.adapter().value("FLAGS(1)"), 12);
        QCOMPARE(rig.responder.adapter().value("UAR0(0)"), 0x21);
        // OK stored the copy as Apply left it: frame 1 applied before, frame 2 not yet.
        QCOMPARE(engine.records()[2].uar0[0], 0x21);
        QCOMPARE(engine.records()[2].flags[1], 8);
    }

    void aNewAdapterRateIsFollowedAfterItsAcknowledge()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        CanConfigEngine engine(options(CanTarget::Dongle));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        engine.fields().baud = 38;
        engine.setPageModified(CanPage::Settings);
        engine.setCurrentPage(CanPage::Settings);
        rig.sent.clear();
        engine.pressApply(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.notices.isEmpty());
        engine.pressCancel(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.sent, QByteArray(":BAUD=38400\r<38400,N,8,1>:RESETpgm\r"));
        QCOMPARE(rig.sim.ownBaud(), 38400);
        QCOMPARE(engine.records()[1].baud, 96); // Apply stored the copy before the page's new code
        QVERIFY(engine.isFinished() && !engine.hasFailed());
    }

    void overTcpTheRateChangesAreGatewayCommands()
    {
        CanSimRig rig(CanResponder::Kind::Dongle, 19200);
        rig.tcp = true;
        CanConfigEngine engine(options(CanTarget::Dongle, true));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.online);
        QVERIFY(rig.sent.startsWith("}02:96\x05}02:48\x05}02:96\x05}02:19\x05:PGMcfg\r"));
    }

    void aSilentDeviceLeavesTheStoredRecordAfterOneNotice()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        rig.sim.setSilent(true);
        CanConfigOptions o = options(CanTarget::Dongle);
        o.records[1].btr0 = 0x47;
        CanConfigEngine engine(o);
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.notices, QStringList{QStringLiteral("Could Not Establish Comm. with Dongle!")});
        QVERIFY(!rig.online);
        QVERIFY(rig.statuses.contains(QStringLiteral("No Communications")));
        QCOMPARE(engine.fields().btr0, 0x47);
        QVERIFY(rig.sent.endsWith("<38400,N,8,1>\x05<9600,N,8,1>")); // back to the terminal's rate
        QVERIFY(rig.now < 5000);
        QVERIFY(!engine.nextDeadline().has_value());

        // Offline, Apply and OK store without sending anything. The record takes the working copy before the
        // page's values go into it, so an applied page reaches the record with the next Apply or OK (it used
        // to be copied after the pages).
        engine.fields().btr0 = 0x41;
        engine.setPageModified(CanPage::BitTiming);
        engine.setCurrentPage(CanPage::BitTiming);
        rig.sent.clear();
        engine.pressApply(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(engine.records()[1].btr0, 0x47);
        engine.pressOk(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.sent.isEmpty());
        QCOMPARE(engine.records()[1].btr0, 0x41);
        QVERIFY(rig.closed);
    }

    void aSilentModuleBehindAWorkingAdapterIsReported()
    {
        CanSimRig rig(CanResponder::Kind::Dongle); // no module behind it
        CanConfigEngine engine(options(CanTarget::Module));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(!rig.online);
        QCOMPARE(rig.notices.last(), QStringLiteral("Could Not Establish Comm. with Module!"));
        QCOMPARE(engine.target(), CanTarget::Module);
        // Cancel still gives the adapter its own settings back and ends its configuration mode.
        rig.sent.clear();
        engine.pressCancel(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.sent.startsWith("\x05:PGMcfg\r:C_BTR0=53\r"));
        QVERIFY(rig.sent.endsWith(":RESETpgm\r"));
        QVERIFY(!rig.notices.last().startsWith(QStringLiteral("Disconnect")));
    }

    void shortReportsFailTheRead_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("notice");
        QTest::newRow("31 GETcfg lines")
            << int(CanResponder::Kind::Dongle) << QStringLiteral("Could Not Establish Comm. with Dongle!");
        QTest::newRow("30 RECALL bytes")
            << int(CanResponder::Kind::Module) << QStringLiteral("Could Not Establish Comm. with Module!");
    }

    void shortReportsFailTheRead()
    {
        QFETCH(int, kind);
        QFETCH(QString, notice);
        CanSimRig rig{CanResponder::Kind(kind)};
        rig.responder.setFault(CanResponder::Fault::Short);
        CanConfigEngine engine(
            options(kind == int(CanResponder::Kind::Module) ? CanTarget::Module : CanTarget::Dongle));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(!rig.online);
        QCOMPARE(rig.notices.last(), notice);
    }

    void aNakOnApplyFailsThatPageAndKeepsTheRestModified()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        rig.responder.setFault(CanResponder::Fault::Nak);
        CanConfigEngine engine(options(CanTarget::Dongle));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.online);
        engine.setPageModified(CanPage::BitTiming);
        engine.setPageModified(CanPage::Frame1);
        rig.sent.clear();
        engine.pressOk(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.notices, QStringList{QStringLiteral("Failed to Apply Setting")});
        QCOMPARE(rig.sent, QByteArray(":C_BTR0=53\r")); // stopped at the first refusal; no RESETpgm follows
        QVERIFY(engine.pageModified(CanPage::Frame1));
        QVERIFY(rig.closed);

        // After a module session the adapter refuses its own settings: said, where it used to end silently.
        CanSimRig module(CanResponder::Kind::Module);
        CanConfigEngine session(options(CanTarget::Module));
        session.start(module.now);
        QVERIFY(module.run(session));
        QVERIFY(module.online);
        module.responder.setFault(CanResponder::Fault::Nak);
        session.pressCancel(module.now);
        QVERIFY(module.run(session));
        QVERIFY(module.closed);
        QVERIFY(module.notices.contains(
            QStringLiteral("The adapter refused its own settings when they were written back.\r\n"
                           "It is still in configuration mode: check it in the CAN DONGLE window.")));
        QVERIFY(!module.sent.endsWith(":RESETpgm\r"));
        QVERIFY(module.responder.inConfigMode());
    }

    void garbageFindsNoAdapter()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        rig.responder.setFault(CanResponder::Fault::Garbage);
        CanConfigEngine engine(options(CanTarget::Dongle));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.notices, QStringList{QStringLiteral("Could Not Establish Comm. with Dongle!")});
    }

    void withoutReplyCheckNothingAnsweringStillCommunicates()
    {
        CanSimRig rig(CanResponder::Kind::Module);
        rig.sim.setSilent(true);
        CanConfigOptions o = options(CanTarget::Module);
        o.noReplyCheck = true;
        CanConfigEngine engine(o);
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(rig.online);
        QVERIFY(rig.statuses.contains(QStringLiteral("Communicating")));
        QCOMPARE(rig.sent, QByteArray("<9600,N,8,1>\x05:PGMcfg\r:setCAN\r:RESETpgm\r"));
    }

    void aVanishingDeviceEndsOfflineWithOneReport()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        rig.vanishAfter(2); // ENQ and PGMcfg answered, then gone
        CanConfigEngine engine(options(CanTarget::Dongle));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QVERIFY(engine.hasFailed());
        QCOMPARE(engine.failure(), QStringLiteral("Input/output error"));
        QVERIFY(!rig.online);
        QVERIFY(rig.notices.isEmpty());
        const qsizetype before = rig.sent.size();
        engine.pressCancel(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(rig.sent.size(), before);
        QVERIFY(rig.closed);
    }

    void defaultsAreLoadedFromTheDevice()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        rig.sim.receive(":C_BTR0=41\r");
        rig.sim.takeOutput();
        CanConfigEngine engine(options(CanTarget::Dongle));
        engine.start(rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(engine.fields().btr0, 0x41);
        engine.setPageModified(CanPage::Masks);
        engine.pressDefaults(CanCommand::SetDNet, rig.now);
        QVERIFY(rig.run(engine));
        QCOMPARE(engine.fields().btr0, 0x44);
        QVERIFY(!engine.pageModified(CanPage::Masks));
        engine.fields().btr0 = 0x99;
        engine.pressRestore();
        QCOMPARE(engine.fields().btr0, 0x53); // the stored record
        QVERIFY(engine.pageModified(CanPage::BitTiming) && engine.pageModified(CanPage::Frame2) &&
                !engine.pageModified(CanPage::Frame3));
    }

    void scriptsReadOrApplyAndEndConfiguration()
    {
        CanSimRig rig(CanResponder::Kind::Dongle);
        CanConfigOptions o = options(CanTarget::Dongle);
        o.script = CanConfigOptions::Script::ApplyAll;
        o.applyRecord.btr0 = 0x44;
        o.applyRecord.btr1 = 0x1C;
        CanConfigEngine apply(o);
        apply.start(rig.now);
        QVERIFY(rig.run(apply));
        QVERIFY(apply.isFinished() && !apply.hasFailed());
        QVERIFY(rig.sent.endsWith(":M2_MCFG=08\r:RESETpgm\r"));
        QCOMPARE(rig.responder.adapter().value("BTR0"), 0x44);

        o.script = CanConfigOptions::Script::Read;
        CanConfigEngine read(o);
        read.start(rig.now);
        QVERIFY(rig.run(read));
        QVERIFY(read.isFinished() && !read.hasFailed());
        QCOMPARE(read.connectedSettings().btr1, 0x1C);

        rig.sim.setSilent(true);
        CanConfigEngine silent(o);
        silent.start(rig.now);
        QVERIFY(rig.run(silent));
        QCOMPARE(silent.failure(), QStringLiteral("Could Not Establish Comm. with Dongle!"));
    }
};

QTEST_GUILESS_MAIN(TstCanConfigEngine)
#include "tst_canconfigengine.moc"
