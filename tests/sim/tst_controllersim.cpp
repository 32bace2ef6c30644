// The simulated controller as transcripts: what the program sends, what the controller answers; the
// gateway's rate commands; the carriers' slow, silent and dropping behaviour; and the faulty line.

#include "sim/canresponder.h"
#include "sim/controllersim.h"
#include "sim/gatewayfilter.h"
#include "sim/linefaults.h"
#include "sim/simgateway.h"
#include "sim/simpty.h"
#include "sim/upgraderesponder.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <bit>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace korvo;

class TstControllerSim : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachDeviceAnswersItsListingCommands_data();
    void eachDeviceAnswersItsListingCommands();
    void theAnswerDoesNotDependOnHowTheCommandIsSplit();
    void typingIsEchoedWithLineEditing();
    void atTheWrongRateTheControllerAnswersOnlyNoise();
    void aSilentControllerListensButNeverAnswers();
    void laterDialoguesPlugInAsLineHandlersAndByteHooks();
    void gatewayRateCommandsAreTakenOutOfTheStreamEvenWhenSplit();
    void whatOnlyLooksLikeARateCommandReachesTheDevice_data();
    void whatOnlyLooksLikeARateCommandReachesTheDevice();
    void theGatewayChangesItsRateAndCanAnswerSlowlyOrDrop();
    void aSeedReplaysTheSameReportedFaultsHoweverTheBytesAreSplit();
    void theDevicePowerCyclesStallsOrHangsUpAfterItsByteCount();
    void aStalledPtyListensAgainOnceTheProgramHasReopenedIt();
    void aSeededNoisyRunOfTheSimulatorProgramIsReproducible();
};

namespace {
// The program's side of a simulator pty, opened raw as a serial port is.
class PortSide
{
public:
    explicit PortSide(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios modes{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &modes) == 0) {
            ::cfmakeraw(&modes);
            ::tcsetattr(m_fd, TCSANOW, &modes);
        }
    }
    ~PortSide() { close(); }
    bool isOpen() const { return m_fd >= 0; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), bytes.size()) == bytes.size();
    }
    // Everything received so far.
    const QByteArray &received()
    {
        char buffer[4096];
        for (ssize_t n; (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            m_received.append(buffer, n);
        return m_received;
    }

private:
    int m_fd;
    QByteArray m_received;
};

// Delivers bytes from the program as the carriers do; returns what reaches the program.
QByteArray feed(ControllerSim &sim, LineFaults &line, const QByteArray &bytes,
                QList<LineFaults::Event> *events = nullptr)
{
    QByteArray answer;
    const LineFaults::Event event =
        line.deliver(bytes, sim, {}, [&](const QByteArray &output) { answer += line.toProgram(output); });
    if (events)
        events->append(event);
    return answer;
}
} // namespace

void TstControllerSim::eachDeviceAnswersItsListingCommands_data()
{
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("veltor pr al") << QByteArray("veltor") << QByteArray("pr al\r")
                                  << QByteArray("pr al\r\nACCEL = G 2000\r\nSPEED = G 1500\r\nCOUNT = G 0\r\n"
                                                "TEMP = L 12\r\n>");
    QTest::newRow("fendra l") << QByteArray("Fendra") << QByteArray("l\r")
                              << QByteArray(
                                     "l\r\n100  LB MAIN\r\n101  VA COUNT = 0\r\n102  MR 4000\r\n103  H\r\n"
                                     "104  IC COUNT\r\n105  BR MAIN\r\n>");
    QTest::newRow("nb with device address line end")
        << QByteArray("nb") << QByteArray("PR AL\n")
        << QByteArray("PR AL\r\nACCEL = G 2000\r\nSPEED = G 1500\r\n"
                      "COUNT = G 0\r\nTEMP = L 12\r\n>");
    QTest::newRow("ukorvo print vars")
        << QByteArray("ukorvo") << QByteArray("print vars\r")
        << QByteArray("print vars\r\nX = G 100\r\nY = G -25\r\nSPEED = G 2500\r\n"
                      "I = L 3\r\n>");
    QTest::newRow("ukorvo print flags, CR LF")
        << QByteArray("ukorvo") << QByteArray("print flags\r\n")
        << QByteArray("print flags\r\nHOMED = G TRUE\r\nFAULT = G FALSE\r\n"
                      "BUSY = L FALSE\r\n>");
    QTest::newRow("ukorvo list ") << QByteArray("ukorvo") << QByteArray("list \r")
                                  << QByteArray("list \r\n100  LBL START\r\n101  X = 0\r\n102  MOVE 4000\r\n"
                                                "103  X = X + 1\r\n104  GOTO START\r\n>");
    QTest::newRow("ukorvo does not know pr al")
        << QByteArray("ukorvo") << QByteArray("pr al\r") << QByteArray("pr al\r\n?\r\n>");
    QTest::newRow("empty line: a prompt") << QByteArray("926q") << QByteArray("\r") << QByteArray("\r\n>");
}

void TstControllerSim::eachDeviceAnswersItsListingCommands()
{
    QFETCH(QByteArray, device);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, answer);
    ControllerSim sim(deviceFromOptionName(QString::fromLatin1(device)));
    sim.receive(sent);
    QCOMPARE(sim.takeOutput(), answer);
    QVERIFY(!sim.hasOutput());
}

void TstControllerSim::theAnswerDoesNotDependOnHowTheCommandIsSplit()
{
    const QByteArray sent = "pr al\r\nl\r";
    ControllerSim whole(Veltor);
    whole.receive(sent);
    const QByteArray expected = whole.takeOutput();
    for (int cut = 1; cut < sent.size(); ++cut) {
        ControllerSim split(Veltor);
        split.receive(sent.left(cut));
        QByteArray answer = split.takeOutput();
        split.receive(sent.mid(cut));
        answer += split.takeOutput();
        QCOMPARE(answer, expected);
        QCOMPARE(split.commands(), (QList<QByteArray>{"pr al", "l"}));
    }
}

void TstControllerSim::typingIsEchoedWithLineEditing()
{
    ControllerSim sim(Veltor);
    sim.receive("pr x");
    QCOMPARE(sim.takeOutput(), QByteArray("pr x"));
    sim.receive("\bal\r");
    QVERIFY(sim.takeOutput().startsWith("\b \bal\r\nACCEL"));
    sim.receive("junk\x03");
    QCOMPARE(sim.takeOutput(), QByteArray("junk^C\r\n>"));
    QCOMPARE(sim.commands(), (QList<QByteArray>{"pr al"}));
}

void TstControllerSim::atTheWrongRateTheControllerAnswersOnlyNoise()
{
    ControllerSim sim(Veltor);
    sim.setLineBaud(19200);
    sim.receive("pr al\r");
    const QByteArray noise = sim.takeOutput();
    QCOMPARE(noise.size(), 6);
    for (const char c : noise)
        QVERIFY(static_cast<unsigned char>(c) >= 0x80);
    QVERIFY(sim.commands().isEmpty());
    // Back at its own rate it understands again, and what it half heard is forgotten.
    sim.setLineBaud(9600);
    sim.receive("l\r");
    QVERIFY(sim.takeOutput().startsWith("l\r\n100  LB MAIN"));
    QCOMPARE(sim.received(), QByteArray("pr al\rl\r"));
}

void TstControllerSim::aSilentControllerListensButNeverAnswers()
{
    ControllerSim sim(UKorvo);
    sim.setSilent(true);
    sim.receive("print vars\r");
    QVERIFY(!sim.hasOutput());
    QCOMPARE(sim.commands(), (QList<QByteArray>{"print vars"}));
}

void TstControllerSim::laterDialoguesPlugInAsLineHandlersAndByteHooks()
{
    ControllerSim sim(Veltor);
    sim.addLineHandler([](ControllerSim &s, const QByteArray &line) {
        if (line != "ver")
            return false;
        s.replyLine("VELTOR 2.31");
        return true;
    });
    QByteArray hooked;
    sim.addByteHook([&](ControllerSim &s, char byte) {
        if (byte != 0x1B && hooked.isEmpty())
            return false;
        hooked += byte;
        if (hooked.size() == 3) {
            s.reply(QByteArray(1, '\x06'));
            hooked.clear();
        }
        return true;
    });
    sim.receive("ver\r");
    QCOMPARE(sim.takeOutput(), QByteArray("ver\r\nVELTOR 2.31\r\n>"));
    sim.receive("\x1b"
                "AB");
    QCOMPARE(sim.takeOutput(), QByteArray("\x06"));
}

void TstControllerSim::gatewayRateCommandsAreTakenOutOfTheStreamEvenWhenSplit()
{
    const QByteArray stream = "ab}02:19cd}02:11";
    for (int cut = 0; cut <= stream.size(); ++cut) {
        GatewayFilter filter;
        QByteArray passed = filter.feed(stream.left(cut));
        QList<int> rates;
        if (const int rate = filter.takeRateChange())
            rates << rate;
        passed += filter.feed(stream.mid(cut));
        if (const int rate = filter.takeRateChange())
            rates << rate;
        QCOMPARE(passed, QByteArray("abcd"));
        QCOMPARE(rates.last(), 115200);
    }
}

void TstControllerSim::whatOnlyLooksLikeARateCommandReachesTheDevice_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::newRow("lone brace") << QByteArray("x}y");
    QTest::newRow("wrong channel") << QByteArray("}03:96");
    QTest::newRow("unknown rate code") << QByteArray("}02:77");
    QTest::newRow("brace inside a prefix") << QByteArray("}0}02");
}

void TstControllerSim::whatOnlyLooksLikeARateCommandReachesTheDevice()
{
    QFETCH(QByteArray, stream);
    GatewayFilter filter;
    QByteArray passed = filter.feed(stream);
    passed += filter.feed("\r"); // ends any prefix still held
    QCOMPARE(passed, stream + "\r");
    QCOMPARE(filter.takeRateChange(), 0);
}

void TstControllerSim::theGatewayChangesItsRateAndCanAnswerSlowlyOrDrop()
{
    ControllerSim controller(Veltor);
    SimGateway gateway(controller);
    QString error;
    QVERIFY2(gateway.listen(QHostAddress::LocalHost, 0, &error), qPrintable(error));
    // It hangs up 3 bytes into the third command (the rate commands are the gateway's, not the device's).
    gateway.setFaults(LineFaults({.hangupAfter = 2 + 6 + 3}));
    QTcpSocket client;
    QByteArray answer;
    connect(&client, &QTcpSocket::readyRead, [&] { answer += client.readAll(); });
    client.connectToHost(QHostAddress::LocalHost, gateway.port());
    QVERIFY(client.waitForConnected(5000));

    // At 19200 the 9600-baud controller hears noise.
    client.write("}02:19l\r");
    QTRY_COMPARE(answer.size(), 2);
    QCOMPARE(gateway.serialBaud(), 19200);
    QVERIFY(controller.commands().isEmpty());

    // Back at 9600, slowly: one character every 5 ms still brings the whole answer.
    answer.clear();
    gateway.setCharDelay(5);
    client.write("}02:96pr al\r");
    QTRY_VERIFY(answer.endsWith("TEMP = L 12\r\n>"));
    QVERIFY(answer.startsWith("pr al\r\n"));

    client.write("pr al\r");
    QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(controller.received().endsWith("pr "));
}

void TstControllerSim::aSeedReplaysTheSameReportedFaultsHoweverTheBytesAreSplit()
{
    LineFaults::Settings settings;
    QString error;
    QVERIFY2(
        LineFaults::parseRates(QStringLiteral("drop=0.02,corrupt=0.02, dup=0.02,seed=7"), &settings, &error),
        qPrintable(error));
    for (const char *bad : {"noise=0.1", "drop=1.5", "drop=0.6,corrupt=0.6", "seed=x"}) {
        LineFaults::Settings unused;
        QVERIFY2(!LineFaults::parseRates(QLatin1String(bad), &unused, &error), bad);
        QVERIFY(!error.isEmpty());
    }
    QByteArray sent;
    for (int i = 0; i < 3000; ++i)
        sent += char('A' + i % 26);

    // All at once, then in pieces of 1 to 13 bytes with the two directions interleaved.
    QList<QByteArray> notes, splitNotes;
    LineFaults whole(settings, [&](const QByteArray &note) { notes += note; });
    LineFaults split(settings, [&](const QByteArray &note) { splitNotes += note; });
    QByteArray toDevice, splitToDevice, splitToProgram;
    for (const LineFaults::Piece &piece : whole.toDevice(sent))
        toDevice += piece.bytes;
    const QByteArray toProgram = whole.toProgram(sent);
    for (qsizetype at = 0, size = 1; at < sent.size(); at += size, size = size % 13 + 1) {
        for (const LineFaults::Piece &piece : split.toDevice(sent.mid(at, size)))
            splitToDevice += piece.bytes;
        splitToProgram += split.toProgram(sent.mid(at, size));
    }
    QCOMPARE(splitToDevice, toDevice);
    QCOMPARE(splitToProgram, toProgram);
    std::sort(notes.begin(), notes.end());
    std::sort(splitNotes.begin(), splitNotes.end());
    QCOMPARE(splitNotes, notes);

    // The notes account for every difference: replaying them on what was sent gives what arrived, and the
    // two directions are hit independently, each kind at about its rate.
    for (const QByteArray &direction : {QByteArray("to-device"), QByteArray("to-program")}) {
        QHash<qint64, QList<QByteArray>> hits;
        QHash<QByteArray, int> kinds;
        for (const QByteArray &note : std::as_const(notes)) {
            const QList<QByteArray> fields = note.split(' '); // fault to-device #17 corrupt 41>C1
            if (fields[1] == direction) {
                hits[fields[2].mid(1).toLongLong()] = fields.mid(3);
                ++kinds[fields[3]];
            }
        }
        QByteArray replayed;
        for (qsizetype i = 0; i < sent.size(); ++i) {
            const QList<QByteArray> hit = hits.value(i);
            if (hit.isEmpty()) {
                replayed += sent[i];
            } else if (hit[0] == "dup") {
                replayed += QByteArray(2, sent[i]);
            } else if (hit[0] == "corrupt") {
                const QByteArray corrupted = QByteArray::fromHex(hit[1].split('>').last());
                QCOMPARE(std::popcount(unsigned(quint8(corrupted[0] ^ sent[i]))), 1);
                replayed += corrupted;
            }
        }
        QCOMPARE(replayed, direction == "to-device" ? toDevice : toProgram);
        for (const char *kind : {"drop", "corrupt", "dup"})
            QVERIFY2(kinds.value(kind) > 25 && kinds.value(kind) < 120, kind);
    }
    QVERIFY(toDevice != toProgram);
    settings.seed = 8;
    QVERIFY(LineFaults(settings).toProgram(sent) != toProgram);
}

void TstControllerSim::theDevicePowerCyclesStallsOrHangsUpAfterItsByteCount()
{
    ControllerSim sim(Veltor);
    QList<QByteArray> notes;
    LineFaults line({.stallAfter = 9, .resetAfter = 3}, [&](const QByteArray &note) { notes += note; });
    QList<LineFaults::Event> events;
    // Power lost after "pr ": the half-typed line is gone, "al" is a new one.
    QCOMPARE(feed(sim, line, "pr al\r", &events), QByteArray("pr al\r\n?\r\n>"));
    QCOMPARE(sim.commands(), QList<QByteArray>{"al"});
    // Silent after three more bytes, whatever follows; listening again once the line is reopened.
    QCOMPARE(feed(sim, line, "pr al\rpr al\r", &events), QByteArray("pr "));
    QCOMPARE(feed(sim, line, "pr al\r", &events), QByteArray());
    // The power cycle is the line's own business; the stall is for the carrier to act on.
    QCOMPARE(events, (QList<LineFaults::Event>{LineFaults::Event::None, LineFaults::Event::Stall,
                                               LineFaults::Event::None}));
    QCOMPARE(notes, (QList<QByteArray>{"fault reset after 3 bytes", "fault stall after 9 bytes"}));
    line.reopen();
    QVERIFY(feed(sim, line, "\x03l\r").endsWith("105  BR MAIN\r\n>"));

    // The dialogues' modes go too: upgrade mode unless the firmware was erased, CAN configuration mode.
    ControllerSim veltor(Veltor);
    const UpgradeResponder upgrade(veltor, UpgradeSimOptions{});
    veltor.receive("UG 6041873\r");
    QVERIFY(veltor.takeOutput().contains("UPGRADE MODE"));
    veltor.powerCycle();
    QCOMPARE(veltor.ownBaud(), 9600);
    veltor.receive("UG 6041873\r");
    veltor.receive("::e\r");
    QVERIFY(veltor.takeOutput().endsWith('\x06'));
    veltor.powerCycle();
    QCOMPARE(veltor.ownBaud(), 19200);
    ControllerSim dongle;
    CanResponder adapter(CanResponder::Kind::Dongle);
    adapter.attach(dongle);
    dongle.receive(":PGMcfg\r");
    QVERIFY(adapter.inConfigMode());
    dongle.powerCycle();
    QVERIFY(!adapter.inConfigMode());

    // A hang-up takes the bytes up to its count and nothing after.
    LineFaults hangup({.hangupAfter = 4});
    const QList<LineFaults::Piece> pieces = hangup.toDevice("pr al\r");
    QCOMPARE(pieces.size(), 1);
    QCOMPARE(pieces[0].bytes, QByteArray("pr a"));
    QCOMPARE(pieces[0].after, LineFaults::Event::Hangup);
    QVERIFY(hangup.toDevice("x").isEmpty());
}

void TstControllerSim::aStalledPtyListensAgainOnceTheProgramHasReopenedIt()
{
    ControllerSim controller(Veltor);
    SimPty pty(controller);
    QString error;
    QVERIFY2(pty.open(&error), qPrintable(error));
    pty.setFaults(LineFaults({.stallAfter = 6}));
    auto port = std::make_unique<PortSide>(pty.path());
    QVERIFY(port->write("pr al\rpr al\r"));
    QTRY_COMPARE(pty.receivedCount(), 12);
    QVERIFY(port->received().endsWith("TEMP = L 12\r\n>"));
    QCOMPARE(controller.commands().size(), 1);

    // Closed for a moment and opened again, the port finds the device answering.
    port->close();
    QTRY_COMPARE(pty.lineBaud(), 9600);
    port = std::make_unique<PortSide>(pty.path());
    QVERIFY(port->write("l\r"));
    QTRY_VERIFY(port->received().endsWith("105  BR MAIN\r\n>"));
    QVERIFY(pty.isOpen());
}

void TstControllerSim::aSeededNoisyRunOfTheSimulatorProgramIsReproducible()
{
    const QString program = qEnvironmentVariable("KORVO_BIN_DIR") + QStringLiteral("/korvo-sim");
    if (!QFileInfo::exists(program))
        QSKIP("korvo-sim is not built next to the tests");
    const QString faults = QStringLiteral("drop=0.03,corrupt=0.03,dup=0.03,seed=11");
    QByteArray sent;
    for (int i = 0; i < 30; ++i)
        sent += "hello " + QByteArray::number(1000 + i) + '\r';

    struct Run
    {
        QList<QByteArray> log; // without the times
        QByteArray received;
    };
    const auto run = [&](Run *result) {
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("times.log"));
        QProcess sim;
        sim.start(program, {"--device", "veltor", "--pty", "--line-faults", faults, "--log-times", logPath});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(sim.canReadLine());
        PortSide port(QString::fromLocal8Bit(sim.readLine()).trimmed());
        QVERIFY(port.isOpen());
        QVERIFY(port.write(sent));

        // Every byte sent is accounted for in the log: arrived, or reported dropped or doubled.
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QByteArray arrived;
        const auto accounted = [&] {
            log.seek(0);
            result->log.clear();
            arrived.clear();
            qsizetype count = 0;
            for (const QByteArray &line : log.readAll().split('\n')) {
                const QByteArray entry = line.mid(line.indexOf(' ') + 1);
                result->log += entry;
                if (entry.size() == 2)
                    arrived += QByteArray::fromHex(entry);
                const bool toDevice = entry.contains("to-device");
                count += entry.size() == 2 || (toDevice && entry.contains(" drop ")) ? 1
                         : toDevice && entry.contains(" dup ")                       ? -1
                                                                                     : 0;
            }
            return count;
        };
        QTRY_COMPARE(accounted(), sent.size());

        // The program gets what an undisturbed controller answers to those bytes, through the same noise.
        ControllerSim replay(Veltor);
        LineFaults::Settings settings;
        QString error;
        QVERIFY(LineFaults::parseRates(faults, &settings, &error));
        LineFaults line(settings);
        replay.receive(arrived);
        const QByteArray expected = line.toProgram(replay.takeOutput());
        QTRY_COMPARE(port.received(), expected);
        result->received = port.received();
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    };
    Run first, second;
    run(&first);
    if (QTest::currentTestFailed())
        return;
    run(&second);
    QCOMPARE(second.log, first.log);
    QCOMPARE(second.received, first.received);
    for (const char *fault : {"to-device #", "to-program #"})
        for (const char *kind : {" drop ", " corrupt "})
            QVERIFY2(std::any_of(first.log.cbegin(), first.log.cend(),
                                 [&](const QByteArray &entry) {
                                     return entry.contains(fault) && entry.contains(kind);
                                 }),
                     kind);
}

QTEST_GUILESS_MAIN(TstControllerSim)
#include "tst_controllersim.moc"
