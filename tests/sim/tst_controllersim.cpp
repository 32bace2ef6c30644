// The simulated controller as transcripts: what the program sends, what the controller answers; the
// gateway's rate commands; and the carriers' slow, silent and dropping behaviour.

#include "sim/controllersim.h"
#include "sim/gatewayfilter.h"
#include "sim/simgateway.h"

#include <QTcpSocket>
#include <QtTest>

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
};

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

    // The connection has carried 20 bytes; it drops 3 bytes into the next command.
    gateway.setDropAfter(20 + 3);
    client.write("pr al\r");
    QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
    QVERIFY(controller.received().endsWith("pr "));
}

QTEST_GUILESS_MAIN(TstControllerSim)
#include "tst_controllersim.moc"
