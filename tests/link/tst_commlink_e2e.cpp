// The link over real kernel ptys and loopback TCP against the simulated controller: connecting, sending,
// receiving, wrong rates, missing and busy ports, and a terminal that follows a vanished pty back to its
// path, its adapter to another device path, or its gateway back after a drop.

#include "app/clock.h"
#include "fakeclock.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "link/qtseriallink.h"
#include "preferences/discoverysocket.h"
#include "settings/preferences.h"
#include "sim/controllersim.h"
#include "sim/simgateway.h"
#include "sim/simpty.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>

using namespace korvo;

namespace {
struct Report
{
    QString text;
    QString title;
};

// Real ports and sockets, and a port list the test plugs adapters into and pulls them out of.
class PluggedPorts final : public LinkFactory
{
public:
    std::unique_ptr<SerialLink> createSerial() override { return systemLinkFactory().createSerial(); }
    std::unique_ptr<SocketLink> createSocket() override { return systemLinkFactory().createSocket(); }
    QList<SerialPortEntry> availablePorts() const override { return ports; }

    QList<SerialPortEntry> ports;
};

const AdapterIdentity kAdapter{0x0403, 0x6001, QStringLiteral("A6008isP"), QStringLiteral("FT232R USB UART")};
const QString kWaiting = QStringLiteral("waiting for FT232R USB UART (A6008isP)");

SerialPortEntry adapterAt(const QString &path)
{
    return {path, kAdapter.description, kAdapter};
}

// A terminal's link on real ports (the real clock unless a test drives time), recording what it tells its
// window.
struct LiveLink
{
    explicit LiveLink(Clock &clock = systemClock(), LinkFactory &factory = systemLinkFactory())
        : link(settings, clock, factory)
    {
        QObject::connect(&link, &CommLink::errorOccurred,
                         [this](const QString &text, const QString &title, PromptIcon) {
                             errors.append({text, title});
                         });
        QObject::connect(&link, &CommLink::dataReceived, [this](const QByteArray &d) {
            received += d;
            ++notifications;
        });
        QObject::connect(&link, &CommLink::linkLost, [this] { ++lost; });
        QObject::connect(&link, &CommLink::statusText,
                         [this](const QString &panel, const QString &text) { panels[panel] = text; });
    }
    ~LiveLink() { link.shutdown(); }

    CommWindowSettings settings;
    CommLink link;
    QHash<QString, QString> panels;
    QList<Report> errors;
    QByteArray received;
    int notifications = 0;
    int lost = 0;
};

qint64 cpuMs()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// After a device is gone nothing more may happen: no events, and the process stays idle.
void expectQuietAfterLoss(LiveLink &live)
{
    const int errors = live.errors.size();
    const int notifications = live.notifications;
    const qint64 before = cpuMs();
    QTest::qWait(500);
    QVERIFY2(cpuMs() - before < 150, "the event loop kept spinning after the device went away");
    QCOMPARE(live.errors.size(), errors);
    QCOMPARE(live.notifications, notifications);
}

const QByteArray kVeltorVariables =
    "pr al\r\nACCEL = G 2000\r\nSPEED = G 1500\r\nCOUNT = G 0\r\nTEMP = L 12\r\n>";
} // namespace

class TstCommLinkEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aTerminalTalksToTheControllerOverAPty();
    void aLineAtTheWrongRateBringsOnlyGarbage();
    void aMissingPortIsReportedOnceWithTheSystemsDescription();
    void aBusyPortIsReportedOnce();
    void aPtyThatVanishesIsWaitedForAndTakenBackAtItsPath();
    void aTerminalTalksToTheControllerThroughTheTcpGateway();
    void aTerminalFollowsItsAdapterToAnotherDevicePath();
    void disconnectStopsWaitingForTheAdapter();
    void aDroppedGatewayIsTriedAgainAtGrowingIntervals();
    void aRefusedConnectionIsAWinsockError();
    void aDiscoveryDatagramIsAnsweredWithTheGatewaysRecord();
    void theSimulatorProgramServesAPtyAndLogsWhatItReceives();
};

void TstCommLinkEndToEnd::aTerminalTalksToTheControllerOverAPty()
{
    ControllerSim controller(Veltor);
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));

    LiveLink live;
    live.settings.portName = pty.path();
    live.settings.translateCR = -1;
    live.link.connectComm(true);
    QVERIFY(live.errors.isEmpty());
    QVERIFY(live.link.isPortOpen());

    live.link.sendToComm("pr al\r", true);
    QVERIFY(!live.link.isSending());
    QTRY_COMPARE(live.received, kVeltorVariables);

    // Typed keys reach the device byte for byte; CR gains its LF on a serial line.
    live.received.clear();
    for (const char c : QByteArray("l\r"))
        live.link.sendTypedChar(c);
    QTRY_VERIFY(live.received.endsWith("105  BR MAIN\r\n>"));
    QVERIFY(controller.received().endsWith("pr al\rl\r\n"));

    live.link.connectComm(false);
    QVERIFY(!live.link.isPortOpen());
    QVERIFY(live.errors.isEmpty());
    // The port can be opened again at once.
    live.link.connectComm(true);
    QVERIFY(live.link.isPortOpen());
    QVERIFY(live.errors.isEmpty());
}

void TstCommLinkEndToEnd::aLineAtTheWrongRateBringsOnlyGarbage()
{
    ControllerSim controller(Veltor);
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    LiveLink live;
    live.settings.portName = pty.path();
    live.settings.settings = QStringLiteral("19200,N,8,1");
    live.link.connectComm(true);
    live.link.sendToComm("pr al\r", false);
    QTRY_COMPARE(live.received.size(), 6);
    for (const char c : std::as_const(live.received))
        QVERIFY(static_cast<unsigned char>(c) >= 0x80);
    QVERIFY(controller.commands().isEmpty());
    QCOMPARE(pty.lineBaud(), 19200);
}

void TstCommLinkEndToEnd::aMissingPortIsReportedOnceWithTheSystemsDescription()
{
    LiveLink live;
    live.settings.portName = QStringLiteral("/dev/ttyKorvoMissing7");
    QElapsedTimer timer;
    timer.start();
    live.link.connectComm(true);
    QVERIFY(timer.elapsed() < 1000);
    QCOMPARE(live.errors.size(), 1);
    QVERIFY2(live.errors[0].text.contains(QStringLiteral("/dev/ttyKorvoMissing7")),
             qPrintable(live.errors[0].text));
    QVERIFY2(live.errors[0].text.contains(QString::fromLocal8Bit(std::strerror(ENOENT))),
             qPrintable(live.errors[0].text));
    QVERIFY(!live.link.isPortOpen());
    QTest::qWait(50);
    QCOMPARE(live.errors.size(), 1);
}

void TstCommLinkEndToEnd::aBusyPortIsReportedOnce()
{
    ControllerSim controller(Veltor);
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    QtSerialLink other;
    QVERIFY2(other.open(pty.path(), QStringLiteral("9600,N,8,1")), qPrintable(other.errorString()));

    LiveLink live;
    live.settings.portName = pty.path();
    live.link.connectComm(true);
    QCOMPARE(live.errors.size(), 1);
    QVERIFY2(
        live.errors[0].text.startsWith(QStringLiteral("Cannot open ") + pty.path() + QStringLiteral(": ")),
        qPrintable(live.errors[0].text));
    QVERIFY2(live.errors[0].text.contains(QStringLiteral("in use by another program")),
             qPrintable(live.errors[0].text));
    QVERIFY(!live.link.isPortOpen());
}

void TstCommLinkEndToEnd::aPtyThatVanishesIsWaitedForAndTakenBackAtItsPath()
{
    ControllerSim controller(Veltor);
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    FakeClock clock;
    LiveLink live(clock);
    // The device comes back at the same path: a link the test points at the pty of the moment.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ttyKorvo"));
    QVERIFY(QFile::link(pty.path(), path));
    live.settings.portName = path;
    live.link.connectComm(true);
    live.link.sendToComm("pr al\r", false);
    QTRY_COMPARE(live.received, kVeltorVariables);

    SimPty again(controller);
    QVERIFY2(again.open(&error), qPrintable(error));
    pty.drop();
    QTRY_COMPARE(live.errors.size(), 1);
    QVERIFY2(live.errors[0].text.contains(path), qPrintable(live.errors[0].text));
    QCOMPARE(live.panels["connect"], QStringLiteral("waiting for ") + path);
    QVERIFY(live.link.isConnected());
    QVERIFY(!live.link.isPortOpen());
    expectQuietAfterLoss(live);
    clock.advance(2 * CommLink::kAdapterPollMs);
    QVERIFY(!live.link.isPortOpen());

    QVERIFY(QFile::remove(path) && QFile::link(again.path(), path));
    clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(live.panels["connect"], QStringLiteral("Connected "));
    live.received.clear();
    for (const char c : QByteArray("pr al\r"))
        live.link.sendTypedChar(c);
    QTRY_COMPARE(live.received, kVeltorVariables);
    QCOMPARE(live.errors.size(), 1);
    QCOMPARE(live.lost, 0);
}

void TstCommLinkEndToEnd::aTerminalTalksToTheControllerThroughTheTcpGateway()
{
    ControllerSim controller(UKorvo);
    SimGateway gateway(controller);
    QString error;
    QVERIFY2(gateway.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));

    LiveLink live;
    live.settings.tcpipEnabled = true;
    live.settings.translateCR = -1;
    live.settings.charDelay = 2;
    live.settings.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(gateway.port());
    live.link.connectComm(true);
    QVERIFY(live.errors.isEmpty());

    live.link.sendToComm("print flags\r", true);
    QTRY_VERIFY(!live.link.isSending());
    QTRY_COMPARE(live.received,
                 QByteArray("print flags\r\nHOMED = G TRUE\r\nFAULT = G FALSE\r\nBUSY = L FALSE\r\n>"));

    // Over TCP a typed CR stays a bare CR.
    live.link.sendTypedChar('\r');
    QTRY_VERIFY(live.received.endsWith("\r\n>\r\n>"));
    QVERIFY(controller.received().endsWith("print flags\r\r"));

    // The gateway's rate command reaches the gateway, not the controller.
    live.link.sendToComm("}02:19", false);
    QTRY_COMPARE(gateway.serialBaud(), 19200);
    QVERIFY(!controller.received().contains('}'));
    QVERIFY(live.errors.isEmpty());
}

namespace {
QString simProgram()
{
    return qEnvironmentVariable("KORVO_BIN_DIR") + QStringLiteral("/korvo-sim");
}

// Starts korvo-sim on a pty of its own, logging what it receives; returns the pty's path.
QString startSimulator(QProcess &sim, const QString &logPath)
{
    sim.start(simProgram(), {"--device", "veltor", "--pty", "--log", logPath});
    if (!sim.waitForStarted() || !QTest::qWaitFor([&] { return sim.canReadLine(); }))
        return {};
    return QString::fromLocal8Bit(sim.readLine()).trimmed();
}
} // namespace

void TstCommLinkEndToEnd::aTerminalFollowsItsAdapterToAnotherDevicePath()
{
    if (!QFileInfo::exists(simProgram()))
        QSKIP("korvo-sim is not built next to the tests");
    QTemporaryDir dir;
    QProcess first;
    const QString firstPath = startSimulator(first, dir.filePath(QStringLiteral("first.log")));
    QVERIFY(firstPath.startsWith(QStringLiteral("/dev/")));

    FakeClock clock;
    PluggedPorts ports;
    ports.ports = {adapterAt(firstPath)};
    LiveLink live(clock, ports);
    live.settings.portName = firstPath;
    live.link.connectComm(true);
    QVERIFY(live.link.isPortOpen());
    QVERIFY(live.settings.adapter.sameAdapter(kAdapter));
    QCOMPARE(live.settings.adapter.description, kAdapter.description);

    // The adapter is pulled out; the next one to appear gets another path (the first is still taken).
    QProcess second;
    const QString secondPath = startSimulator(second, dir.filePath(QStringLiteral("second.log")));
    QVERIFY(!secondPath.isEmpty() && secondPath != firstPath);
    first.kill();
    QVERIFY(first.waitForFinished(5000));
    ports.ports.clear();
    QTRY_COMPARE(live.panels["connect"], kWaiting);
    QVERIFY(live.link.isConnected());
    QVERIFY(live.link.isWaiting());
    QCOMPARE(live.errors.size(), 1);
    // Typing while it waits goes nowhere and raises nothing.
    live.link.sendTypedChar('x');
    clock.advance(10 * CommLink::kAdapterPollMs);
    QCOMPARE(live.panels["connect"], kWaiting);
    QVERIFY(!live.link.isPortOpen());

    // Another adapter under the new path is not the terminal's.
    AdapterIdentity other = kAdapter;
    other.serialNumber = QStringLiteral("B7719kQ");
    ports.ports = {SerialPortEntry{secondPath, other.description, other}};
    clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(live.panels["connect"], kWaiting);
    QVERIFY(!live.link.isPortOpen());

    // Plugged in again, under the new path: found at the next look, opened with the terminal's settings.
    ports.ports = {SerialPortEntry{QStringLiteral("/dev/ttyS0"), QStringLiteral("ttyS0"), {}},
                   adapterAt(secondPath)};
    clock.advance(CommLink::kAdapterPollMs);
    QCOMPARE(live.panels["connect"], QStringLiteral("Connected "));
    QVERIFY(live.link.isPortOpen());
    QVERIFY(!live.link.isWaiting());
    QCOMPARE(live.settings.portName, secondPath);
    QCOMPARE(live.panels["comm"], secondPath + QStringLiteral(" : 9600"));

    live.received.clear();
    for (const char c : QByteArray("pr al\r"))
        live.link.sendTypedChar(c);
    QTRY_VERIFY(live.received.endsWith("TEMP = L 12\r\n>"));
    QFile log(dir.filePath(QStringLiteral("second.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("pr al\r"));
    QCOMPARE(live.errors.size(), 1);
    live.link.connectComm(false);
    second.kill();
    QVERIFY(second.waitForFinished(5000));
}

void TstCommLinkEndToEnd::disconnectStopsWaitingForTheAdapter()
{
    ControllerSim controller(Veltor);
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    FakeClock clock;
    PluggedPorts ports;
    ports.ports = {adapterAt(pty.path())};
    LiveLink live(clock, ports);
    // Named through a stable link, as /dev/serial/by-id/... names an adapter.
    QTemporaryDir dir;
    const QString byId = dir.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A6008isP-if00-port0"));
    QVERIFY(QFile::link(pty.path(), byId));
    live.settings.portName = byId;
    live.link.connectComm(true);
    QVERIFY(live.link.isPortOpen());
    QVERIFY(live.settings.adapter.sameAdapter(kAdapter));

    // The adapter to come back is made first, so that it gets another path.
    SimPty again(controller);
    QVERIFY2(again.open(&error), qPrintable(error));
    pty.drop();
    ports.ports.clear();
    QTRY_COMPARE(live.panels["connect"], kWaiting);
    live.link.connectComm(false);
    QCOMPARE(live.panels["connect"], QStringLiteral("Disconnected "));
    QVERIFY(!live.link.isWaiting());

    // The adapter coming back changes nothing now.
    ports.ports = {adapterAt(again.path())};
    clock.advance(10 * CommLink::kAdapterPollMs);
    QVERIFY(!live.link.isConnected());
    QVERIFY(!live.link.isPortOpen());
    QCOMPARE(live.errors.size(), 1);
    QCOMPARE(live.lost, 0);

    // Connecting again finds the adapter where it is now.
    live.link.connectComm(true);
    QVERIFY(live.link.isPortOpen());
    QCOMPARE(live.settings.portName, again.path());
}

void TstCommLinkEndToEnd::aDroppedGatewayIsTriedAgainAtGrowingIntervals()
{
    ControllerSim controller(Veltor);
    auto gateway = std::make_unique<SimGateway>(controller);
    QString error;
    QVERIFY2(gateway->listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    const quint16 port = gateway->port();
    gateway->setFaults(LineFaults({.hangupAfter = 6}));

    FakeClock clock;
    LiveLink live(clock);
    live.settings.tcpipEnabled = true;
    live.settings.settings = QStringLiteral("38400,N,8,1");
    live.settings.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(port);
    live.link.connectComm(true);
    QTRY_VERIFY(gateway->hasClient());
    QTRY_COMPARE(gateway->serialBaud(), 38400);
    for (const char c : QByteArray("pr al\rpr al\r"))
        live.link.sendTypedChar(c);
    const QString address = QStringLiteral("reconnecting to 127.0.0.1:%1").arg(port);
    QTRY_COMPARE(live.panels["connect"], address + QStringLiteral(" in 0.5 s"));
    QVERIFY(live.link.isConnected());
    QVERIFY(live.errors.isEmpty());

    // The gateway is gone: every refused attempt waits twice as long, up to ten seconds.
    gateway.reset();
    for (const int waitMs : {500, 1000, 2000, 4000, 8000, 10000}) {
        clock.advance(waitMs - 1);
        QCOMPARE(live.panels["connect"].endsWith(QStringLiteral(" s")), true);
        clock.advance(1);
        QCOMPARE(live.panels["connect"], address);
        const int nextMs = std::min(2 * waitMs, CommLink::kLongestRetryMs);
        QTRY_COMPARE(live.panels["connect"], address + QStringLiteral(" in %1 s").arg(nextMs / 1000));
    }
    QVERIFY(live.errors.isEmpty());

    // Back on the same port, restarted at its default rate: the next attempt connects and sets the
    // terminal's rate again, so what is typed reaches the controller (at 9600 it would hear garbage).
    ControllerSim back(Veltor);
    back.setOwnBaud(38400);
    auto again = std::make_unique<SimGateway>(back);
    QVERIFY2(again->listen(QHostAddress::LocalHost, port, &error), qPrintable(error));
    clock.advance(CommLink::kLongestRetryMs);
    QTRY_COMPARE(live.panels["connect"], QStringLiteral("Connected "));
    QVERIFY(!live.link.isWaiting());
    for (const char c : QByteArray("pr al\r"))
        live.link.sendTypedChar(c);
    QTRY_VERIFY(back.received().endsWith("pr al\r"));
    QTRY_VERIFY(live.received.endsWith("TEMP = L 12\r\n>"));
    QVERIFY(live.errors.isEmpty());

    // A later drop starts again from the shortest wait.
    again.reset();
    QTRY_COMPARE(live.panels["connect"], address + QStringLiteral(" in 0.5 s"));
    live.link.connectComm(false);
    QCOMPARE(live.panels["connect"], QStringLiteral("Disconnected "));
}

void TstCommLinkEndToEnd::aRefusedConnectionIsAWinsockError()
{
    quint16 port = 0;
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    LiveLink live;
    live.settings.tcpipEnabled = true;
    live.settings.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(port);
    live.link.connectComm(true);
    QTRY_COMPARE(live.errors.size(), 1);
    QVERIFY2(live.errors[0].text.startsWith(QStringLiteral("WinSock Error: 10061 is ")),
             qPrintable(live.errors[0].text));
    QVERIFY(!live.link.isConnected());
    QTest::qWait(50);
    QCOMPARE(live.errors.size(), 1);
}

void TstCommLinkEndToEnd::aDiscoveryDatagramIsAnsweredWithTheGatewaysRecord()
{
    ControllerSim controller(Veltor);
    SimGateway gateway(controller);
    QString error;
    QVERIFY2(gateway.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    QVERIFY2(gateway.listenDiscovery(QHostAddress::LocalHost, 0, &error), qPrintable(error));

    DiscoverySocket discovery;
    QList<std::pair<QString, QByteArray>> answers;
    connect(&discovery, &DiscoverySocket::datagramReceived,
            [&](const QString &sender, const QByteArray &data) {
                answers.append({sender, data});
            });
    QVERIFY(discovery.send("TOBRIX6102", QHostAddress::LocalHost, gateway.discoveryPort()));
    QTRY_COMPARE(answers.size(), 1);
    QCOMPARE(answers[0].first, "127.0.0.1");
    QCOMPARE(answers[0].second, QByteArray("\x06:KORVO-GW:KG503-0001:"));

    // While a terminal holds the gateway, the record names that terminal's address.
    LiveLink live;
    live.settings.tcpipEnabled = true;
    live.settings.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(gateway.port());
    live.link.connectComm(true);
    QTRY_VERIFY(gateway.hasClient());
    QVERIFY(discovery.send("TOBRIX6102", QHostAddress::LocalHost, gateway.discoveryPort()));
    QTRY_COMPARE(answers.size(), 2);
    QCOMPARE(answers[1].second, QByteArray("\x06:KORVO-GW:KG503-0001:127.0.0.1"));
}

void TstCommLinkEndToEnd::theSimulatorProgramServesAPtyAndLogsWhatItReceives()
{
    const QString program = qEnvironmentVariable("KORVO_BIN_DIR") + QStringLiteral("/korvo-sim");
    if (!QFileInfo::exists(program))
        QSKIP("korvo-sim is not built next to the tests");
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("sim.log"));
    QProcess sim;
    sim.start(program, {"--device", "ukorvo", "--pty", "--log", logPath});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY(sim.canReadLine());
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(path));

    LiveLink live;
    live.settings.portName = path;
    live.link.connectComm(true);
    QVERIFY(live.errors.isEmpty());
    live.link.sendToComm("print vars\r", false);
    QTRY_VERIFY(live.received.endsWith(">"));
    QVERIFY(live.received.contains("X = G 100\r\n"));
    live.link.connectComm(false);

    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("print vars\r"));
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TstCommLinkEndToEnd)
#include "tst_commlink_e2e.moc"
