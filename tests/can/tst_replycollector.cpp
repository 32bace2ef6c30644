// How a reply is collected by receive mode, with every reply split at every offset as a serial line
// delivers it, and the reply time a request waits for it.

#include "can/replycollector.h"
#include "link/linktiming.h"

#include <QtTest>

using namespace korvo;

namespace {

// Feeds the reply in two pieces split at `split`; the outcome of the piece that ended it, or Collecting.
ReplyCollector::Outcome deliver(ReplyCollector &collector, const QByteArray &reply, qsizetype split)
{
    ReplyCollector::Outcome outcome = collector.take(reply.left(split));
    if (outcome == ReplyCollector::Outcome::Collecting && split < reply.size())
        outcome = collector.take(reply.mid(split));
    return outcome;
}

} // namespace

class TstReplyCollector : public QObject
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
        QCOMPARE(replyTimeMs(LinkTiming{baud, charDelay, lineDelay, false}, chars, 100), expected);
    }

    void waitsEndOnTheirCharacterOnlyWhereverTheReplyIsSplit_data()
    {
        QTest::addColumn<ReplyCollector::Mode>("mode");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("ack") << ReplyCollector::WaitAck << QByteArray("ok*\r\n\x06");
        QTest::newRow("prompt") << ReplyCollector::WaitPrompt << QByteArray("\x06 busy ready\r\n*");
    }

    void waitsEndOnTheirCharacterOnlyWhereverTheReplyIsSplit()
    {
        QFETCH(ReplyCollector::Mode, mode);
        QFETCH(QByteArray, reply);
        for (qsizetype split = 0; split < reply.size(); ++split) {
            ReplyCollector collector(mode);
            QCOMPARE(collector.take(reply.left(reply.size() - 1)), ReplyCollector::Outcome::Collecting);
            QCOMPARE(deliver(collector, reply.right(1), split), ReplyCollector::Outcome::Ended);
        }
    }

    void anAddressedLineEndsTheWaitWhereverItIsSplit()
    {
        const QByteArray reply = "!OK\r\nnext";
        for (qsizetype split = 0; split <= reply.size(); ++split) {
            ReplyCollector collector(ReplyCollector::AddressedLine, 0, '!');
            QCOMPARE(deliver(collector, reply, split), ReplyCollector::Outcome::Ended);
            QCOMPARE(collector.line(), QByteArray("!OK\r\n"));
        }
        // A line for another address ends the wait as the wrong reply.
        ReplyCollector other(ReplyCollector::AddressedLine, 0, '!');
        QCOMPARE(other.take("?err\n"), ReplyCollector::Outcome::WrongReply);
    }

    void textModesKeepEverythingAndOnlyTheRamReadMeasuresFromTheSend()
    {
        ReplyCollector text(ReplyCollector::Text);
        text.take("ab");
        text.take("c");
        QCOMPARE(text.text(), QByteArray("abc"));
        QVERIFY(text.measuresSilence());
        QVERIFY(!ReplyCollector(ReplyCollector::RamText).measuresSilence());
    }

    void theLineTableFillsInOrderAndTakesNoMoreThanItHolds()
    {
        const QByteArray reply = "one\ntwo\nthree\n";
        for (qsizetype split = 0; split <= reply.size(); ++split) {
            ReplyCollector collector(ReplyCollector::Lines, 2);
            QCOMPARE(deliver(collector, reply, split), ReplyCollector::Outcome::Collecting);
            QCOMPARE(collector.lines(), (std::vector<QByteArray>{"one\n", "two\n"}));
            QCOMPARE(collector.linesFilled(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(TstReplyCollector)
#include "tst_replycollector.moc"
