// The terminal's own link traffic against fake ports in virtual time: pacing, connecting, panels, and how
// failures are reported.

#include "fakeclock.h"
#include "fakelinks.h"
#include "link/commlink.h"
#include "link/linetrace.h"
#include "link/portnames.h"
#include "settings/preferences.h"

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
    // Connects; the gateway's rate command that a TCP connection starts with is left out of the writes.
    void connectNow()
    {
        link.connectComm(true);
        QVERIFY(link.isConnected());
        if (factory.socket)
            factory.socket->writes.clear();
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
    void aTcpSendPausesAfterEachCharacterAndLongerAfterTheLineEnd();
    void aSerialSendGoesOutAtOnce();
    void aSendIssuedDuringAnotherIsQueuedBehindIt();
    void connectingTwiceOrDisconnectingTwiceDoesNothingTheSecondTime();
    void applyingSettingsOpensTheNamedPortAndFillsThePanels();
    void aTcpTerminalWithoutAddressComesUpDisconnected();
    void aPortThatCannotBeOpenedIsReportedOnce();
    void aSocketErrorIsReportedWithItsNumberAndDisconnects();
    void aTypedKeyThatCannotBeSentDisconnectsWithACriticalReport();
    void typedCarriageReturnsGetALineFeedOnlyOnSerialLinks();
    void aFailedSendReportsOnceAndDropsTheQueue();
    void aVanishedPortIsToldOnceAsAWarningAndWaitedForAtItsPath();
    void theTraceKeepsTheLastEventsBothWaysWithTheirTimes();
    void tcpAddressesMayCarryAPort_data();
    void tcpAddressesMayCarryAPort();
};

void TstCommLink::aTcpSendPausesAfterEachCharacterAndLongerAfterTheLineEnd()
{
    Rig rig(true);
    rig.settings.charDelay = 20;
    rig.settings.lineDelay = 100;
    rig.settings.settings = QStringLiteral("38400,N,8,1");
    rig.link.connectComm(true);
    rig.link.sendToComm("AB\r", true, '\r');
    rig.clock.advance(1000);
    // The connection sets the gateway to the terminal's rate before anything else goes out.
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{0, "}02:38"}, {0, "A"}, {20, "B"}, {40, "\r"}}));

    // Without the line pause the line end waits CharDelay like any character.
    rig.factory.socket->writes.clear();
    rig.link.sendToComm("A\rB", false, '\r');
    const qint64 start = rig.clock.nowMs();
    rig.clock.advance(1000);
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{start, "A"}, {start + 20, "\r"}, {start + 40, "B"}}));

    // A drop sends with LF as its line end: the pause follows that character, not CR.
    rig.factory.socket->writes.clear();
    rig.link.sendToComm("A\rB\nC", true, '\n');
    const qint64 dropStart = rig.clock.nowMs();
    rig.clock.advance(1000);
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{dropStart, "A"},
                                              {dropStart + 20, "\r"},
                                              {dropStart + 40, "B"},
                                              {dropStart + 60, "\n"},
                                              {dropStart + 170, "C"}}));
}

void TstCommLink::aSerialSendGoesOutAtOnce()
{
    Rig rig;
    rig.settings.charDelay = 20;
    rig.settings.lineDelay = 100;
    rig.connectNow();
    rig.link.sendToComm("AB\r", true);
    QCOMPARE(rig.writes(), (QList<TimedWrite>{{0, "AB\r"}}));
    QVERIFY(!rig.link.isSending());
    QCOMPARE(rig.clock.nextDeadline(), -1);
}

void TstCommLink::aSendIssuedDuringAnotherIsQueuedBehindIt()
{
    Rig rig(true);
    rig.settings.charDelay = 10;
    rig.connectNow();
    rig.link.sendToComm("ab", false);
    rig.link.sendToComm("cd", false);
    QVERIFY(rig.link.isSending());
    rig.clock.advance(100);
    QCOMPARE(rig.factory.socket->written(), QByteArray("abcd"));
    QCOMPARE(rig.writes().at(2).at, 20); // "c" after the first send's last pause
    QVERIFY(!rig.link.isSending());
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
    rig.settings.device = UKorvo;
    rig.settings.canInterface = true;
    rig.link.applyCommSettings();
    QCOMPARE(rig.factory.serial->lastPortName, "/dev/ttyUSB0");
    QCOMPARE(rig.factory.serial->lastSettings, "19200,N,8,1");
    QVERIFY(rig.factory.serial->rts);
    QVERIFY(!rig.factory.serial->dtr);
    QVERIFY(!rig.link.hasEngine());
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
    QCOMPARE(tcp.panels["comm"], " 127.0.0.1:5030 : 9600");
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

    // A terminal that remembers its USB adapter starts without it: it waits, and looks for it by what it is,
    // not by the path it had (another adapter holds that now).
    Rig unplugged;
    const AdapterIdentity adapter{0x1A86, 0x7523, QString(), QStringLiteral("USB Serial")};
    AdapterIdentity other = adapter;
    other.productId = 0x5523;
    unplugged.settings.connected = true;
    unplugged.settings.portName = QStringLiteral("/dev/ttyUSB0");
    unplugged.settings.adapter = adapter;
    unplugged.link.applyCommSettings();
    QVERIFY(unplugged.errors.isEmpty());
    QVERIFY(unplugged.link.isConnected());
    QCOMPARE(unplugged.panels["connect"], "waiting for USB Serial");
    unplugged.factory.ports = {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB2.0-Serial"), other}};
    unplugged.clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(unplugged.factory.serial->opens, 0);
    // Without a serial number, two of its make elsewhere are no more the terminal's than each other.
    unplugged.factory.ports.append({QStringLiteral("/dev/ttyUSB1"), adapter.description, adapter});
    unplugged.factory.ports.append({QStringLiteral("/dev/ttyUSB2"), adapter.description, adapter});
    unplugged.clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(unplugged.factory.serial->opens, 0);
    unplugged.factory.ports.removeLast();
    unplugged.clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(unplugged.factory.serial->lastPortName, "/dev/ttyUSB1");
    QCOMPARE(unplugged.panels["connect"], "Connected ");
    QCOMPARE(unplugged.panels["comm"], "/dev/ttyUSB1 : 9600");
    QVERIFY(unplugged.errors.isEmpty());
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
    rig.link.sendToComm("one\r", false);
    rig.link.sendToComm("two\r", false);
    rig.factory.socket->writeError = QStringLiteral("Broken pipe");
    rig.clock.advance(100);
    QCOMPARE(rig.factory.socket->written(), QByteArray("o"));
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.errors[0].text, "Broken pipe");
    QVERIFY(!rig.link.isSending());
}

void TstCommLink::aVanishedPortIsToldOnceAsAWarningAndWaitedForAtItsPath()
{
    Rig rig;
    rig.settings.portName = QStringLiteral("/dev/pts/9");
    rig.connectNow();
    rig.factory.serial->deliver("last words");
    rig.factory.serial->vanish(QStringLiteral("The device /dev/pts/9 is no longer available."));
    QCOMPARE(rig.received, QByteArray("last words"));
    QCOMPARE(rig.errors.size(), 1);
    QVERIFY(rig.errors[0].text.startsWith(
        "The device /dev/pts/9 is no longer available.\nThe terminal connects"));
    QCOMPARE(rig.errors[0].title, "Comm Port Error");
    QCOMPARE(rig.errors[0].icon, PromptIcon::Exclamation);
    QVERIFY(rig.link.isConnected());
    QCOMPARE(rig.panels["connect"], "waiting for /dev/pts/9");

    // Not back yet: the path refuses to open, quietly, until it opens again.
    rig.factory.serial->openError = QStringLiteral("No such file or directory");
    rig.clock.advance(2 * CommLink::kAdapterPollMs);
    QCOMPARE(rig.factory.serial->opens, 3);
    rig.factory.serial->openError.clear();
    rig.clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(rig.factory.serial->lastPortName, "/dev/pts/9");
    QCOMPARE(rig.panels["connect"], "Connected ");
    QVERIFY(rig.link.isPortOpen());
    QCOMPARE(rig.errors.size(), 1);
    QCOMPARE(rig.lost, 0);
}

void TstCommLink::theTraceKeepsTheLastEventsBothWaysWithTheirTimes()
{
    Rig rig;
    rig.clock.advance(7); // the trace counts from its own start
    LineTrace trace(rig.clock, 3);
    rig.link.setTrace(&trace);
    rig.connectNow();
    rig.link.sendTypedChar('a');
    rig.clock.advance(5);
    rig.factory.serial->deliver(QByteArray("x\x01y", 3));
    rig.clock.advance(1);
    rig.link.sendTypedChar('b');
    rig.link.sendToComm("0123456789abcdefZ", false);
    // The ring holds the last three, oldest first; the count goes on.
    QCOMPARE(trace.total(), 4u);
    QCOMPARE(trace.size(), 3);
    QCOMPARE(trace.at(0).kind, TraceEvent::Kind::Received);
    QCOMPARE(trace.at(0).timeUs, 5'000);
    QCOMPARE(trace.at(2).data, QByteArray("0123456789abcdefZ"));
    QCOMPARE(
        QString::fromUtf8(traceLog(trace)).section(u'\n', 1),
        QStringLiteral("    0.005000  RX  78 01 79                                         x.y\n"
                       "    0.006000  TX  62                                               b\n"
                       "    0.006000  TX  30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66  0123456789abcdef\n"
                       "    0.006000  TX  5A                                               Z\n"));
    rig.link.setTrace(nullptr);
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
