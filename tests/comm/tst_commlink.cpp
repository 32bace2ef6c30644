// The link engine against fake ports in virtual time: reply-timer arithmetic, pacing, pauses, waits,
// CAN requests, connecting, and how failures are reported.

#include "app/appstate.h"
#include "comm/commlink.h"
#include "comm/portnames.h"
#include "fakeclock.h"
#include "fakelinks.h"

#include <QtTest>

using namespace korvo;

namespace {
struct Report
{
    QString text;
    QString title;
    PromptIcon icon;
};

// One terminal's link with fake ports, recording everything the link tells its window.
struct Rig
{
    explicit Rig(bool tcp = false)
    {
        settings.tcpipEnabled = tcp;
        settings.tcpAddress = QStringLiteral("10.0.0.7");
        QObject::connect(&link, &CommLink::errorOccurred,
                         [this](const QString &text, const QString &title, PromptIcon icon) {
                             errors.append({text, title, icon});
                         });
        QObject::connect(&link, &CommLink::statusText,
                         [this](const QString &key, const QString &text) { panels[key] = text; });
        QObject::connect(&link, &CommLink::panelEnabled,
                         [this](const QString &key, bool on) { enabled[key] = on; });
        QObject::connect(&link, &CommLink::connectedChanged,
                         [this](bool on) { connectedChanges.append(on); });
        QObject::connect(&link, &CommLink::linkLost, [this] { ++lost; });
        QObject::connect(&link, &CommLink::dataReceived, [this](const QByteArray &d) { received += d; });
    }
    void connectNow()
    {
        link.connectComm(true);
        QVERIFY(link.isConnected());
    }
    QList<TimedWrite> writes() const
    {
        return settings.tcpipEnabled ? factory.socket->writes : factory.serial->writes;
    }

    FakeClock clock;
    CommWindowSettings settings;
    FakeLinkFactory factory{clock};
    CommLink link{settings, clock, factory};
    QList<Report> errors;
    QMap<QString, QString> panels;
    QMap<QString, bool> enabled;
    QList<bool> connectedChanges;
    QByteArray received;
    int lost = 0;
};
} // namespace

class TstCommLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        app().noReplyCheck = false;
        app().lineEnd = QStringLiteral("\r");
    }

    void theReplyTimerAllowsTenBitTimesPerCharacterPlusTheDelays_data();
    void theReplyTimerAllowsTenBitTimesPerCharacterPlusTheDelays();
    void aTcpSendPausesAfterEachCharacterAndLongerAfterTheLineEnd();
    void aSerialSendGoesOutAtOnceAndArmsTheReplyTimer();
    void aSendIssuedDuringAnotherIsQueuedBehindIt();
    void aPauseOfZeroReturnsAtOnceWithoutArmingATimer();
    void aWaitEndsWhenTheCollectorFinishesOrWhenTheDeviceStaysSilent();
    void restartingTheReplyTimerMeasuresSilenceAfterTheLastReply();
    void aCanRequestWithoutReplyFailsUnlessReplyChecksAreOff();
    void aCanRequestThatIsAnsweredSucceeds();
    void connectingTwiceOrDisconnectingTwiceDoesNothingTheSecondTime();
    void applyingSettingsOpensTheNamedPortAndFillsThePanels();
    void aTcpTerminalWithoutAddressComesUpDisconnected();
    void aPortThatCannotBeOpenedIsReportedOnce();
    void aSocketErrorIsReportedWithItsNumberAndDisconnects();
    void aTypedKeyThatCannotBeSentDisconnectsWithACriticalReport();
    void typedCarriageReturnsGetALineFeedOnlyOnSerialLinks();
    void aFailedSendReportsOnceAndDropsTheQueue();
    void aVanishingDeviceIsReportedOnceAndLeavesTheLinkDisconnected();
    void endingAllWaitsFinishesPausesWaitsAndSends();
    void tcpAddressesMayCarryAPort_data();
    void tcpAddressesMayCarryAPort();
};

void TstCommLink::theReplyTimerAllowsTenBitTimesPerCharacterPlusTheDelays_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("charDelay");
    QTest::addColumn<int>("lineDelay");
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("expected");
    // wait = chars x (msPerChar + max(CharDelay, 55)) + max(LineDelay, 55), at least 55, + 100
    QTest::newRow("9600 baud, 10 chars") << "9600,N,8,1" << 0 << 0 << 10 << 715;
    QTest::newRow("300 baud: 33 ms a char") << "300,N,8,1" << 0 << 0 << 10 << 1035;
    QTest::newRow("38400 baud: under half a ms") << "38400,N,8,1" << 0 << 0 << 10 << 705;
    QTest::newRow("19200 baud rounds 0.52 up") << "19200,E,7,1" << 0 << 0 << 10 << 715;
    QTest::newRow("4800 baud: 2 ms") << "4800,N,8,1" << 0 << 0 << 4 << 383;
    QTest::newRow("delays below 55 count as 55") << "9600,N,8,1" << 54 << 54 << 1 << 211;
    QTest::newRow("delays of 55 and more count") << "9600,N,8,1" << 60 << 200 << 2 << 422;
    QTest::newRow("no characters: the floor") << "9600,N,8,1" << 0 << 0 << 0 << 155;
    QTest::newRow("no baud rate in the settings") << "N,8,1" << 0 << 0 << 10 << 705;
}

void TstCommLink::theReplyTimerAllowsTenBitTimesPerCharacterPlusTheDelays()
{
    QFETCH(QString, settings);
    QFETCH(int, charDelay);
    QFETCH(int, lineDelay);
    QFETCH(int, chars);
    QFETCH(int, expected);
    Rig rig;
    rig.settings.settings = settings;
    rig.settings.charDelay = charDelay;
    rig.settings.lineDelay = lineDelay;
    bool timedOut = false;
    rig.link.waitForResults(chars, [&](bool t) { timedOut = t; });
    QCOMPARE(rig.link.replyTimerInterval(), expected);
    QCOMPARE(rig.clock.nextDeadline(), qint64(expected));
    rig.clock.advance(expected - 1);
    QVERIFY(rig.link.isWaiting());
    rig.clock.advance(1);
    QVERIFY(!rig.link.isWaiting());
    QVERIFY(timedOut);
    QVERIFY(rig.link.timedOut());
}

void TstCommLink::aTcpSendPausesAfterEachCharacterAndLongerAfterTheLineEnd()
{
    Rig rig(true);
    rig.settings.charDelay = 20;
    rig.settings.lineDelay = 100;
    rig.connectNow();
    int doneAt = -1;
    rig.link.sendToComm("AB\r", true, [&](bool ok) {
        QVERIFY(ok);
        doneAt = int(rig.clock.nowMs());
    });
    rig.clock.advance(1000);
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{0, "A"}, {20, "B"}, {40, "\r"}}));
    QCOMPARE(doneAt, 150); // 110 ms after the CR
    // Reply timer: 3 x (1 + 55) + 100 + 500, armed when the last pause ended.
    QCOMPARE(rig.link.replyTimerInterval(), 768);

    // Without the line pause the line end waits CharDelay like any character.
    rig.factory.socket->writes.clear();
    rig.link.sendToComm("A\rB", false);
    const qint64 start = rig.clock.nowMs();
    rig.clock.advance(1000);
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{start, "A"}, {start + 20, "\r"}, {start + 40, "B"}}));

    // A drop sends with LineEnd LF and puts CR back at once: the send keeps the line end it started with.
    rig.factory.socket->writes.clear();
    app().lineEnd = QStringLiteral("\n");
    rig.link.sendToComm("A\nB", true);
    app().lineEnd = QStringLiteral("\r");
    const qint64 dropStart = rig.clock.nowMs();
    rig.clock.advance(1000);
    QCOMPARE(rig.writes(),
             (QList<TimedWrite>{{dropStart, "A"}, {dropStart + 20, "\n"}, {dropStart + 130, "B"}}));
}

void TstCommLink::aSerialSendGoesOutAtOnceAndArmsTheReplyTimer()
{
    Rig rig;
    rig.settings.charDelay = 20;
    rig.settings.lineDelay = 100;
    rig.connectNow();
    bool done = false;
    rig.link.sendToComm("AB\r", true, [&](bool ok) { done = ok; });
    QVERIFY(done);
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{0, "AB\r"}}));
    QCOMPARE(rig.link.replyTimerInterval(), 768);
    QVERIFY(rig.link.replyTimerActive());
}

void TstCommLink::aSendIssuedDuringAnotherIsQueuedBehindIt()
{
    Rig rig(true);
    rig.settings.charDelay = 10;
    rig.connectNow();
    QList<QString> order;
    rig.link.sendToComm("ab", false, [&](bool) { order << "first"; });
    rig.link.sendToComm("cd", false, [&](bool) { order << "second"; });
    QVERIFY(rig.link.isSending());
    rig.clock.advance(100);
    QCOMPARE(rig.factory.socket->written(), QByteArray("abcd"));
    QCOMPARE(rig.writes().at(2).at, 20); // "c" after the first send's last pause
    QCOMPARE(order, (QList<QString>{"first", "second"}));
    QVERIFY(!rig.link.isSending());
}

void TstCommLink::aPauseOfZeroReturnsAtOnceWithoutArmingATimer()
{
    Rig rig;
    bool done = false;
    rig.link.delayMSec(0, [&] { done = true; });
    QVERIFY(done);
    QCOMPARE(rig.clock.nextDeadline(), -1);

    done = false;
    rig.link.delayMSec(120, [&] { done = true; });
    rig.clock.advance(119);
    QVERIFY(!done);
    QVERIFY(rig.link.isDelaying());
    rig.clock.advance(1);
    QVERIFY(done);
}

void TstCommLink::aWaitEndsWhenTheCollectorFinishesOrWhenTheDeviceStaysSilent()
{
    Rig rig;
    rig.link.setReceiveMode(8);
    QList<std::pair<qint64, bool>> ends;
    rig.link.waitForResults(10, [&](bool timedOut) { ends.append({rig.clock.nowMs(), timedOut}); });
    rig.clock.advance(50);
    rig.link.setReceiveMode(0); // the dispatcher saw the prompt
    QCOMPARE(ends, (QList<std::pair<qint64, bool>>{{50, false}}));
    QVERIFY(!rig.link.replyTimerActive());
    QVERIFY(!rig.link.timedOut());

    rig.link.setReceiveMode(8);
    rig.link.waitForResults(10, [&](bool timedOut) { ends.append({rig.clock.nowMs(), timedOut}); });
    rig.clock.advance(2000);
    QCOMPARE(ends.size(), 2);
    QCOMPARE(ends.last(), (std::pair<qint64, bool>{765, true}));
    QCOMPARE(rig.link.receiveMode(), 8);

    // A collector that already finished ends the wait before it starts.
    rig.link.setReceiveMode(-1);
    rig.link.waitForResults(10, [&](bool timedOut) { ends.append({rig.clock.nowMs(), timedOut}); });
    QCOMPARE(ends.size(), 3);
    QCOMPARE(ends.last().second, false);
}

void TstCommLink::restartingTheReplyTimerMeasuresSilenceAfterTheLastReply()
{
    Rig rig;
    int timeouts = 0;
    connect(&rig.link, &CommLink::replyTimeout, [&] { ++timeouts; });
    rig.link.startReplyTimer(0, 500); // 555 ms
    rig.clock.advance(500);
    rig.link.restartReplyTimer();
    rig.clock.advance(500);
    QCOMPARE(timeouts, 0);
    rig.clock.advance(55);
    QCOMPARE(timeouts, 1);
    QVERIFY(rig.link.timedOut());
    // Text after the time-out starts a new silence period with the same interval.
    rig.link.restartReplyTimer();
    rig.clock.advance(555);
    QCOMPARE(timeouts, 2);
}

void TstCommLink::aCanRequestWithoutReplyFailsUnlessReplyChecksAreOff()
{
    for (const bool noReplyCheck : {false, true}) {
        Rig rig;
        rig.connectNow();
        app().noReplyCheck = noReplyCheck;
        int resets = 0;
        connect(&rig.link, &CommLink::collectorReset, [&] { ++resets; });
        std::optional<bool> answered;
        rig.link.sendCanComm("LMODE 0\r", 10, 20, [&](bool a) { answered = a; });
        QCOMPARE(resets, 1);
        QCOMPARE(rig.link.receiveMode(), 10);
        QCOMPARE(rig.writes(), (QList<TimedWrite>{{0, "LMODE 0\r"}}));
        // Waits for 8 + 20 characters: 28 x 56 + 55 + 100.
        QCOMPARE(rig.link.replyTimerInterval(), 1723);
        rig.clock.advance(1722);
        QVERIFY(!answered);
        rig.clock.advance(1);
        QCOMPARE(answered, std::optional<bool>(noReplyCheck));
    }
}

void TstCommLink::aCanRequestThatIsAnsweredSucceeds()
{
    Rig rig;
    rig.connectNow();
    // A stand-in for the mode-9 collector: the reply line ends the wait.
    connect(&rig.link, &CommLink::dataReceived, [&](const QByteArray &data) {
        if (data.contains('\n'))
            rig.link.setReceiveMode(0);
    });
    std::optional<bool> answered;
    rig.link.sendCanComm("?\r", 9, 5, [&](bool a) { answered = a; });
    rig.clock.advance(30);
    rig.factory.serial->deliver("!OK");
    QVERIFY(!answered);
    rig.factory.serial->deliver("\r\n");
    QCOMPARE(answered, std::optional<bool>(true));
    QVERIFY(!rig.link.timedOut());
}

void TstCommLink::connectingTwiceOrDisconnectingTwiceDoesNothingTheSecondTime()
{
    Rig rig;
    rig.link.connectComm(true);
    rig.link.connectComm(true);
    QCOMPARE(rig.factory.serial->opens, 1);
    QCOMPARE(rig.connectedChanges, (QList<bool>{true}));
    QCOMPARE(rig.panels["connect"], "Connected ");
    rig.link.connectComm(false);
    rig.link.connectComm(false);
    QCOMPARE(rig.factory.serial->closes, 1);
    QCOMPARE(rig.connectedChanges, (QList<bool>{true, false}));
    QCOMPARE(rig.panels["connect"], "Disconnected ");
    QVERIFY(!rig.settings.connected);
    QVERIFY(rig.errors.isEmpty());
}

void TstCommLink::applyingSettingsOpensTheNamedPortAndFillsThePanels()
{
    Rig rig;
    rig.settings.connected = true;
    rig.settings.portName = QStringLiteral("/dev/ttyUSB0");
    rig.settings.settings = QStringLiteral("19200,N,8,1");
    rig.settings.rtsActive = true;
    rig.settings.device = 1;
    rig.settings.canInterface = true;
    rig.link.setReceiveMode(2);
    rig.link.applyCommSettings();
    QCOMPARE(rig.factory.serial->lastPortName, "/dev/ttyUSB0");
    QCOMPARE(rig.factory.serial->lastSettings, "19200,N,8,1");
    QVERIFY(rig.factory.serial->rts);
    QVERIFY(!rig.factory.serial->dtr);
    QCOMPARE(rig.link.receiveMode(), CommLink::kTerminalMode);
    QCOMPARE(rig.panels["connect"], "Connected ");
    QCOMPARE(rig.panels["comm"], "/dev/ttyUSB0 : 19200");
    QCOMPARE(rig.panels["device"], " uKorvo");
    QCOMPARE(rig.enabled["can"], true);

    // Without a name, port n is the n-th serial device of the system.
    rig.settings.portName.clear();
    rig.settings.port = 2;
    rig.link.applyCommSettings();
#ifdef Q_OS_WIN
    QCOMPARE(rig.factory.serial->lastPortName, "COM2");
#else
    QCOMPARE(rig.factory.serial->lastPortName, "/dev/ttyS1");
#endif
    QCOMPARE(rig.factory.serial->opens, 2);

    Rig tcp(true);
    tcp.settings.connected = true;
    tcp.settings.tcpAddress = QStringLiteral("127.0.0.1:5030");
    tcp.link.applyCommSettings();
    QCOMPARE(tcp.factory.socket->lastHost, "127.0.0.1");
    QCOMPARE(tcp.factory.socket->lastPort, 5030);
    QCOMPARE(tcp.panels["comm"], " 127.0.0.1:5030");
    QCOMPARE(tcp.panels["device"], " Veltor");
    QCOMPARE(tcp.enabled["can"], false);
}

void TstCommLink::aTcpTerminalWithoutAddressComesUpDisconnected()
{
    Rig rig(true);
    rig.settings.connected = true;
    rig.settings.tcpAddress.clear();
    rig.link.applyCommSettings();
    QVERIFY(!rig.link.isConnected());
    QCOMPARE(rig.panels["connect"], "Disconnected ");
    QCOMPARE(rig.factory.socket->connects, 0);
    QVERIFY(rig.errors.isEmpty());
}

void TstCommLink::aPortThatCannotBeOpenedIsReportedOnce()
{
    // Connect: the error is shown and Connected stays set, so Disconnect is the way back.
    Rig rig;
    rig.factory.openError = QStringLiteral("Cannot open /dev/ttyS8: No such file or directory");
    rig.link.connectComm(true);
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.errors[0].text, rig.factory.openError);
    QCOMPARE(rig.errors[0].icon, PromptIcon::Information);
    QVERIFY(rig.link.isConnected());
    QVERIFY(!rig.panels.contains("connect"));

    // Applying settings at start-up: the terminal comes up disconnected.
    Rig restored;
    restored.factory.openError = QStringLiteral("Cannot open /dev/ttyS8: Device or resource busy");
    restored.settings.connected = true;
    restored.link.applyCommSettings();
    QCOMPARE(restored.errors.size(), 1);
    QVERIFY(!restored.link.isConnected());
    QCOMPARE(restored.panels["connect"], "Disconnected ");
}

void TstCommLink::aSocketErrorIsReportedWithItsNumberAndDisconnects()
{
    Rig rig(true);
    rig.connectNow();
    rig.factory.socket->fail(10061, QStringLiteral("Connection refused"));
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.errors[0].text, "WinSock Error: 10061 is Connection refused");
    QCOMPARE(rig.errors[0].title, "Winsock Error");
    QVERIFY(!rig.link.isConnected());
    QCOMPARE(rig.panels["connect"], "Disconnected ");
    QCOMPARE(rig.lost, 1);
}

void TstCommLink::aTypedKeyThatCannotBeSentDisconnectsWithACriticalReport()
{
    Rig rig;
    rig.connectNow();
    rig.factory.serial->writeError = QStringLiteral("Input/output error");
    rig.link.sendTypedChar('x');
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.errors[0].title, "Comm Port Error");
    QCOMPARE(rig.errors[0].text, "Input/output error");
    QCOMPARE(rig.errors[0].icon, PromptIcon::Critical);
    QVERIFY(!rig.link.isConnected());
    // Disconnected: further keys go nowhere and raise nothing.
    rig.link.sendTypedChar('y');
    QCOMPARE(rig.errors.size(), 1);
}

void TstCommLink::typedCarriageReturnsGetALineFeedOnlyOnSerialLinks()
{
    for (const bool tcp : {false, true}) {
        Rig rig(tcp);
        rig.settings.translateCR = -1;
        rig.connectNow();
        for (const char c : QByteArray("l\r"))
            rig.link.sendTypedChar(c);
        const QByteArray written = tcp ? rig.factory.socket->written() : rig.factory.serial->written();
        QCOMPARE(written, tcp ? QByteArray("l\r") : QByteArray("l\r\n"));
    }
}

void TstCommLink::aFailedSendReportsOnceAndDropsTheQueue()
{
    Rig rig(true);
    rig.settings.charDelay = 10;
    rig.connectNow();
    QList<bool> results;
    rig.link.sendToComm("one\r", false, [&](bool ok) { results << ok; });
    rig.link.sendToComm("two\r", false, [&](bool ok) { results << ok; });
    rig.factory.socket->writeError = QStringLiteral("Broken pipe");
    rig.clock.advance(100);
    QCOMPARE(results, (QList<bool>{false, false}));
    QCOMPARE(rig.factory.socket->written(), QByteArray("o"));
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.errors[0].text, "Broken pipe");
    QVERIFY(!rig.link.replyTimerActive());
}

void TstCommLink::aVanishingDeviceIsReportedOnceAndLeavesTheLinkDisconnected()
{
    Rig rig;
    rig.connectNow();
    rig.factory.serial->deliver("last words");
    rig.factory.serial->vanish(QStringLiteral("The device /dev/pts/9 is no longer available."));
    QCOMPARE(rig.received, QByteArray("last words"));
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.errors[0].text, "The device /dev/pts/9 is no longer available.");
    QCOMPARE(rig.lost, 1);
    QVERIFY(!rig.link.isConnected());
    QCOMPARE(rig.panels["connect"], "Disconnected ");
    // Connecting again tries the port again.
    rig.link.connectComm(true);
    QCOMPARE(rig.factory.serial->opens, 2);
}

void TstCommLink::endingAllWaitsFinishesPausesWaitsAndSends()
{
    Rig rig(true);
    rig.settings.charDelay = 100;
    rig.connectNow();
    bool paused = false;
    std::optional<bool> waited;
    std::optional<bool> sent;
    rig.link.delayMSec(5000, [&] { paused = true; });
    rig.link.setReceiveMode(6);
    rig.link.waitForResults(100, [&](bool t) { waited = t; });
    rig.link.sendToComm("abc", false, [&](bool ok) { sent = ok; });
    rig.link.endWaits();
    QVERIFY(paused);
    QCOMPARE(waited, std::optional<bool>(true));
    QCOMPARE(sent, std::optional<bool>(false));
    QCOMPARE(rig.clock.nextDeadline(), -1);
    rig.clock.advance(1000);
    QCOMPARE(rig.factory.socket->written(), QByteArray("a"));
}

void TstCommLink::tcpAddressesMayCarryAPort_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("plain") << "192.168.1.20" << true << "192.168.1.20" << 503;
    QTest::newRow("with port") << "127.0.0.1:5030" << true << "127.0.0.1" << 5030;
    QTest::newRow("name with port") << " gateway.local:600 " << true << "gateway.local" << 600;
    QTest::newRow("bare IPv6") << "fe80::1" << true << "fe80::1" << 503;
    QTest::newRow("bracketed IPv6 with port") << "[::1]:5030" << true << "::1" << 5030;
    QTest::newRow("port out of range") << "127.0.0.1:70000" << false << "" << 0;
    QTest::newRow("empty") << "" << false << "" << 0;
}

void TstCommLink::tcpAddressesMayCarryAPort()
{
    QFETCH(QString, address);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);
    const TcpEndpoint endpoint = parseTcpAddress(address);
    QCOMPARE(endpoint.valid, valid);
    if (valid) {
        QCOMPARE(endpoint.host, host);
        QCOMPARE(int(endpoint.port), port);
    }
}

QTEST_GUILESS_MAIN(TstCommLink)
#include "tst_commlink.moc"
