// One request and its reply as a transcript: what goes out, what the device answers (split at every
// offset, as a serial line delivers it), and when the wait ends, in virtual time.

#include "comm/linktiming.h"
#include "comm/requestengine.h"

#include <QtTest>

using namespace korvo;

namespace {

RequestEngine::Options request(const QByteArray &message, int mode, int extraLen = 0)
{
    RequestEngine::Options o;
    o.message = message;
    o.mode = mode;
    o.extraLen = extraLen;
    return o;
}

QByteArray written(RequestEngine &engine)
{
    QByteArray all;
    for (const LinkAction &a : engine.takeOutput())
        all += a.bytes;
    return all;
}

// Feeds the reply in two pieces split at `split`, 10 ms apart, starting at `at`.
void deliver(RequestEngine &engine, const QByteArray &reply, qsizetype split, qint64 at)
{
    engine.bytesReceived(reply.left(split), at);
    if (split < reply.size() && !engine.isFinished())
        engine.bytesReceived(reply.mid(split), at + 10);
}

} // namespace

class TstRequestEngine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void theReplyTimeAllowsTenBitTimesPerCharacterPlusTheDelays_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("charDelay");
        QTest::addColumn<int>("lineDelay");
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("expected");
        // wait = chars x (msPerChar + max(CharDelay, 55)) + max(LineDelay, 55), at least 55, + 100
        QTest::newRow("9600 baud, 10 chars") << 9600 << 0 << 0 << 10 << 715;
        QTest::newRow("300 baud: 33 ms a char") << 300 << 0 << 0 << 10 << 1035;
        QTest::newRow("38400 baud: under half a ms") << 38400 << 0 << 0 << 10 << 705;
        QTest::newRow("19200 baud rounds 0.52 up") << 19200 << 0 << 0 << 10 << 715;
        QTest::newRow("4800 baud: 2 ms") << 4800 << 0 << 0 << 4 << 383;
        QTest::newRow("delays below 55 count as 55") << 9600 << 54 << 54 << 1 << 211;
        QTest::newRow("delays of 55 and more count") << 9600 << 60 << 200 << 2 << 422;
        QTest::newRow("no characters: the floor") << 9600 << 0 << 0 << 0 << 155;
        QTest::newRow("no baud rate in the settings") << 0 << 0 << 0 << 10 << 705;
    }

    void theReplyTimeAllowsTenBitTimesPerCharacterPlusTheDelays()
    {
        QFETCH(int, baud);
        QFETCH(int, charDelay);
        QFETCH(int, lineDelay);
        QFETCH(int, chars);
        QFETCH(int, expected);
        const LinkTiming timing{baud, charDelay, lineDelay, false};
        QCOMPARE(replyTimeMs(timing, chars, 100), expected);

        // The engine waits exactly that long for a reply that never comes.
        RequestEngine::Options o = request(QByteArray(chars, 'x'), ReplyCollector::WaitAck);
        o.timing = timing;
        RequestEngine engine(o);
        engine.start(1000);
        QCOMPARE(engine.nextDeadline(), std::optional<qint64>(1000 + expected));
    }

    void aRequestWithoutReplyFailsUnlessReplyChecksAreOff()
    {
        for (const bool noReplyCheck : {false, true}) {
            RequestEngine::Options o = request("LMODE 0\r", ReplyCollector::Text, 20);
            o.noReplyCheck = noReplyCheck;
            RequestEngine engine(o);
            engine.start(0);
            QCOMPARE(written(engine), QByteArray("LMODE 0\r"));
            // Waits for 8 + 20 characters: 28 x 56 + 55 + 100.
            QCOMPARE(engine.nextDeadline(), std::optional<qint64>(1723));
            engine.timerFired(1723);
            QVERIFY(engine.isFinished());
            QVERIFY(engine.timedOut());
            QCOMPARE(engine.answered(), noReplyCheck);
            QCOMPARE(engine.takeEvents().back().kind, EngineEvent::Kind::Finished);
        }
    }

    void waitsEndOnTheirCharacterOnlyWhereverTheReplyIsSplit_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("ack") << int(ReplyCollector::WaitAck) << QByteArray("ok*\r\n\x06");
        QTest::newRow("prompt") << int(ReplyCollector::WaitPrompt) << QByteArray("\x06 busy ready\r\n*");
        QTest::newRow("prompt with bit 12") << (ReplyCollector::WaitPrompt | 0x1000) << QByteArray("x*");
    }

    void waitsEndOnTheirCharacterOnlyWhereverTheReplyIsSplit()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, reply);
        for (qsizetype split = 0; split <= reply.size(); ++split) {
            RequestEngine engine(request("?\r", mode));
            engine.start(0);
            engine.bytesReceived(reply.left(reply.size() - 1), 20);
            QVERIFY2(!engine.isFinished(), qPrintable(QString::number(split)));
            engine.bytesReceived(reply.right(1), 30);
            QVERIFY(engine.isFinished());
            QVERIFY(engine.answered());
            QVERIFY(!engine.timedOut());
        }
    }

    void anAddressedLineEndsTheWaitWhereverItIsSplit()
    {
        const QByteArray reply = "!OK\r\nnext";
        for (qsizetype split = 0; split <= reply.size(); ++split) {
            RequestEngine::Options o = request("!?\r", ReplyCollector::AddressedLine);
            o.addressChar = '!';
            RequestEngine engine(o);
            engine.start(0);
            deliver(engine, reply, split, 20);
            QVERIFY(engine.isFinished());
            QVERIFY(!engine.wrongReply());
            QCOMPARE(engine.reply().line(), QByteArray("!OK\r\n"));
        }
        // A line for another address fails the request without waiting for the time-out.
        RequestEngine::Options o = request("!?\r", ReplyCollector::AddressedLine);
        o.addressChar = '!';
        RequestEngine other(o);
        other.start(0);
        other.bytesReceived("?err\n", 20);
        QVERIFY(other.isFinished());
        QVERIFY(other.wrongReply());
    }

    void silenceModesRestartTheirWaitOnEveryArrivalTheRamReadDoesNot()
    {
        RequestEngine text(request("GETcfg\r", ReplyCollector::Text));
        text.start(0);
        const qint64 wait = *text.nextDeadline();
        text.bytesReceived("ab", 500);
        QCOMPARE(text.nextDeadline(), std::optional<qint64>(500 + wait));
        text.bytesReceived("c", 900);
        text.timerFired(900 + wait);
        QCOMPARE(text.reply().text(), QByteArray("abc"));

        RequestEngine ram(request("PR Pk\r", ReplyCollector::RamText));
        ram.start(0);
        const qint64 deadline = *ram.nextDeadline();
        ram.bytesReceived("0000 01 02", 100);
        QCOMPARE(ram.nextDeadline(), std::optional<qint64>(deadline));
    }

    void theLineTableFillsInOrderAndTakesNoMoreThanItHolds()
    {
        const QByteArray reply = "one\ntwo\nthree\n";
        for (qsizetype split = 0; split <= reply.size(); ++split) {
            RequestEngine::Options o = request("GETcfg\r", ReplyCollector::Lines);
            o.lineCount = 2;
            RequestEngine engine(o);
            engine.start(0);
            deliver(engine, reply, split, 10);
            QCOMPARE(engine.reply().lines(), (std::vector<QByteArray>{"one\n", "two\n"}));
            QCOMPARE(engine.reply().linesFilled(), 2);
        }
    }

    void nothingReachesAnEngineThatHasEnded()
    {
        RequestEngine engine(request("?\r", ReplyCollector::WaitAck));
        engine.start(0);
        engine.cancel(5);
        QVERIFY(engine.hasFailed());
        engine.bytesReceived("\x06", 10);
        QVERIFY(!engine.answered());
        const std::vector<EngineEvent> events = engine.takeEvents();
        QCOMPARE(events.size(), size_t(1));
        QCOMPARE(events.front().kind, EngineEvent::Kind::Failed);
    }
};

QTEST_GUILESS_MAIN(TstRequestEngine)
#include "tst_requestengine.moc"
