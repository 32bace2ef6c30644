// The function-key walk as transcripts in virtual time: what goes out, when, and what the "msg" panel
// shows, for every code, quotes, pauses, nested repeats, keys pressing keys and stop requests.

#include "walkdriver.h"

#include <QtTest>

using namespace korvo;

class TstFunctionKeyWalk : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void codesAndQuotesSendTheseBytes_data();
    void codesAndQuotesSendTheseBytes();
    void eachCharacterGoesOutOnlyOnceThePreviousOneHasLeft();
    void pausesAreDeadlinesOfTheirLength();
    void countedRepeatsNestAndCountDownInTheMsgPanel();
    void repeatLevelsBeyondFiveAreIgnored();
    void continuousRepeatWithPausesRunsForMinutesIdleBetweenCharactersUntilStopped();
    void continuousRepeatWithoutPausesYieldsAfterEveryStep();
    void stopRequestDuringASendEndsAfterThatCharacter();
    void aKeyPressedByAnotherRunsAtThatPoint();
    void keysThatPressThemselvesStopAtTheDepthLimitWithAMessage_data();
    void keysThatPressThemselvesStopAtTheDepthLimitWithAMessage();
    void captureCodesComeOutInStepWithTheBytes();
    void stopwatchShowsTheElapsedTimeAcrossPresses();
    void aFailedWriteEndsTheWalkWithTheReason();
};

void TstFunctionKeyWalk::codesAndQuotesSendTheseBytes_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("letters and CR") << QByteArray("ABC^M") << QByteArray("ABC\r");
    QTest::newRow("doubled caret") << QByteArray("a^^b") << QByteArray("a^b");
    QTest::newRow("table codes") << QByteArray("^C^G^I^J^M^[") << QByteArray("\x03\x07\x09\x0a\x0d\x1b");
    QTest::newRow("cr lf") << QByteArray("X^M^J") << QByteArray("X\r\n");
    QTest::newRow("other letters") << QByteArray("^A^Z^a^z^@^`^\xe9")
                                   << QByteArray("\x01\x1a!:\x00\x20\xa9", 7);
    QTest::newRow("quoted code") << QByteArray("\"^M\"") << QByteArray("^M");
    QTest::newRow("quotes around text") << QByteArray("1\"^p^r0\"2^M") << QByteArray("1^p^r02\r");
    QTest::newRow("caret without code") << QByteArray("^1^ ") << QByteArray("^1^ ");
    QTest::newRow("caret at the end") << QByteArray("AB^") << QByteArray("AB^");
    QTest::newRow("pauses send nothing") << QByteArray("^p^m^d10A") << QByteArray("A");
    QTest::newRow("capture and stopwatch send nothing") << QByteArray("^cB^o^t1^t0") << QByteArray("B");
    QTest::newRow("stopwatch takes one digit") << QByteArray("^t05^t12") << QByteArray("52");
    QTest::newRow("key out of range") << QByteArray("A^f0^f11B") << QByteArray("AB");
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void TstFunctionKeyWalk::codesAndQuotesSendTheseBytes()
{
    QFETCH(QByteArray, contents);
    QFETCH(QByteArray, sent);
    WalkDriver driver({contents});
    driver.start();
    driver.runToEnd();
    QVERIFY(driver.walk->isFinished());
    QVERIFY(!driver.walk->hasFailed());
    QCOMPARE(driver.sent(), sent);
    // Every byte went out by itself, as Send_To_Comm sends a function key.
    QCOMPARE(driver.bytesAt.size(), sent.size());
}

void TstFunctionKeyWalk::eachCharacterGoesOutOnlyOnceThePreviousOneHasLeft()
{
    WalkDriver driver({"ABC"});
    driver.holdWrites = true;
    driver.start();
    QCOMPARE(driver.sent(), QByteArray("A"));
    QVERIFY(!driver.walk->nextDeadline());
    // The link reports the paced write out (a TCP character delay of 20 ms).
    driver.now += 20;
    driver.walk->outputWritten(driver.now);
    driver.runFor(0);
    QCOMPARE(driver.sent(), QByteArray("AB"));
    QCOMPARE(driver.bytesAt.last().first, 20);
}

void TstFunctionKeyWalk::pausesAreDeadlinesOfTheirLength()
{
    WalkDriver driver({"A^pB^mC^d250D^d99999E^dF"});
    driver.start();
    driver.runToEnd();
    const QList<std::pair<qint64, char>> expected{{0, 'A'},    {1000, 'B'},         {1050, 'C'},
                                                  {1300, 'D'}, {1300 + 32767, 'E'}, {1300 + 32767, 'F'}};
    QCOMPARE(driver.bytesAt, expected);
}

void TstFunctionKeyWalk::countedRepeatsNestAndCountDownInTheMsgPanel()
{
    WalkDriver driver({"A^r2B^r3"});
    driver.start();
    driver.runToEnd();
    QCOMPARE(driver.sent(), QByteArray("AABAABAAB"));
    const QStringList expected{"F1 -  1", "F1 -  0",   "F1 -  2",   "F1 -  2 1", "F1 -  2 0",
                               "F1 -  1", "F1 -  1 1", "F1 -  1 0", "F1 -  0"};
    QCOMPARE(driver.messages(), expected);

    WalkDriver endless({"X^r1Y^r2Z^r"});
    endless.start();
    endless.runFor(0, 60);
    // "^r1" is one pass; "^r" without digits counts as 0: without end, shown as " C" around inner levels.
    QVERIFY(endless.sent().startsWith("XYXYZXYXYZXYXYZ"));
    QVERIFY(endless.messages().contains(QStringLiteral("F1 -  C 1")));
    QVERIFY(endless.messages().contains(QStringLiteral("F1 - 3 - Continuous")));
}

void TstFunctionKeyWalk::repeatLevelsBeyondFiveAreIgnored()
{
    WalkDriver driver({"a^r2b^r2c^r2d^r2e^r2f^r2"});
    driver.start();
    driver.runToEnd();
    QVERIFY(driver.walk->isFinished());
    int deepest = 0;
    for (const QString &text : driver.messages())
        deepest = std::max(deepest, int(text.mid(5).split(u' ', Qt::SkipEmptyParts).size()));
    QCOMPARE(deepest, FunctionKeyWalk::kMaxRepeatLevels);
    // Six full levels would send 2^6 "a"; where five are open the sixth is walked once. The outermost
    // level still repeats.
    QVERIFY(driver.sent().count('a') < 64);
    QCOMPARE(driver.sent().count('f'), 2);
}

void TstFunctionKeyWalk::continuousRepeatWithPausesRunsForMinutesIdleBetweenCharactersUntilStopped()
{
    WalkDriver driver({"", "", "T^M^p^r0"}, 2);
    driver.start();
    const int steps = driver.runFor(10 * 60 * 1000);
    QVERIFY(!driver.walk->isFinished());
    // One line a second for ten minutes, and nothing else runs in between: a few steps per line.
    QCOMPARE(driver.sent().count('T'), 601);
    QVERIFY(steps <= 601 * 6);
    for (qsizetype i = 2; i < driver.bytesAt.size(); i += 2)
        QCOMPARE(driver.bytesAt.at(i).first - driver.bytesAt.at(i - 2).first, 1000);
    QCOMPARE(driver.messages().last(), QStringLiteral("F3 - 600 - Continuous"));
    // Mid-pause the walk is waiting for its deadline, not spinning.
    QCOMPARE(*driver.walk->nextDeadline() - driver.now, 1000);

    driver.now += 400;
    driver.stop();
    QVERIFY(driver.walk->isFinished());
    QVERIFY(!driver.walk->hasFailed());
    const qsizetype sent = driver.sent().size();
    driver.runFor(60'000);
    QCOMPARE(driver.sent().size(), sent);
    QCOMPARE(driver.entries().last(), QStringLiteral("end F3"));
}

void TstFunctionKeyWalk::continuousRepeatWithoutPausesYieldsAfterEveryStep()
{
    WalkDriver driver({"^r0"});
    driver.start();
    // Nothing to send at all: still one step per deadline, never a loop inside one call.
    QVERIFY(!driver.walk->isFinished());
    for (int i = 0; i < 10'000; ++i) {
        driver.walk->timerFired(driver.now);
        QVERIFY(driver.walk->nextDeadline());
    }
    driver.stop();
    QVERIFY(driver.walk->isFinished());
    QVERIFY(driver.sent().isEmpty());
}

void TstFunctionKeyWalk::stopRequestDuringASendEndsAfterThatCharacter()
{
    WalkDriver driver({"ABCDEF^r0"});
    driver.holdWrites = true;
    driver.start();
    driver.stop();
    QVERIFY(!driver.walk->isFinished());
    driver.walk->outputWritten(driver.now);
    driver.runToEnd();
    QVERIFY(driver.walk->isFinished());
    QCOMPARE(driver.sent(), QByteArray("A"));
}

void TstFunctionKeyWalk::aKeyPressedByAnotherRunsAtThatPoint()
{
    WalkDriver driver({"A^f2C^f3", "B^m", "\"D\""});
    driver.start();
    driver.runToEnd();
    QCOMPARE(driver.sent(), QByteArray("ABCD"));
    const QStringList expected{"start F1", "A",        "start F2", "B",      "end F2",
                               "C",        "start F3", "D",        "end F3", "end F1"};
    QCOMPARE(driver.entries(), expected);

    // A repeat inside the pressed key restarts that key, not the one that pressed it.
    WalkDriver repeated({"<^f2>", "x^r3"});
    repeated.start();
    repeated.runToEnd();
    QCOMPARE(repeated.sent(), QByteArray("<xxx>"));
    QCOMPARE(repeated.messages().first(), QStringLiteral("F2 -  2"));
}

void TstFunctionKeyWalk::keysThatPressThemselvesStopAtTheDepthLimitWithAMessage_data()
{
    QTest::addColumn<QList<QByteArray>>("keys");
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("itself") << QList<QByteArray>{"A^f1"} << QByteArray(FunctionKeyWalk::kMaxKeyDepth, 'A');
    QTest::newRow("through another") << QList<QByteArray>{"A^f2", "B^f1"} << QByteArray("ABABABAB");
    QTest::newRow("after a repeat") << QList<QByteArray>{"^f2", "x^r2^f1"} << QByteArray("xxxxxxxx");
}

void TstFunctionKeyWalk::keysThatPressThemselvesStopAtTheDepthLimitWithAMessage()
{
    QFETCH(QList<QByteArray>, keys);
    QFETCH(QByteArray, sent);
    WalkDriver driver(keys);
    driver.start();
    driver.runToEnd();
    QVERIFY(driver.walk->isFinished());
    QVERIFY(!driver.walk->hasFailed());
    QCOMPARE(driver.sent(), sent);
    QVERIFY2(driver.messages().last().contains(QLatin1String("nest more than 8 deep")),
             qPrintable(driver.messages().last()));
    QCOMPARE(driver.entries().count(QStringLiteral("end F1")) +
                 driver.entries().count(QStringLiteral("end F2")),
             FunctionKeyWalk::kMaxKeyDepth);
}

void TstFunctionKeyWalk::captureCodesComeOutInStepWithTheBytes()
{
    WalkDriver driver({"^cAB^M^p^o"});
    driver.start();
    driver.runToEnd();
    const QStringList expected{"start F1", "capture on", "A", "B", "<0D>", "capture off", "end F1"};
    QCOMPARE(driver.entries(), expected);
    QCOMPARE(driver.transcript.at(5).at, 1000);
}

void TstFunctionKeyWalk::stopwatchShowsTheElapsedTimeAcrossPresses()
{
    WalkDriver driver({"^t1^d1234^t0"});
    driver.start();
    driver.runToEnd();
    QCOMPARE(driver.messages(), (QStringList{"0.0 Sec", "1.234 Sec"}));

    // Started by one press, read by a later press of the same key.
    FunctionKeyWalk::Stopwatches stopwatches;
    FunctionKeyWalk::Options options;
    options.contents[0] = "^t1";
    FunctionKeyWalk first(options, stopwatches);
    first.start(100);
    first.timerFired(100);
    QVERIFY(first.isFinished());
    options.contents[0] = "^t0";
    FunctionKeyWalk second(options, stopwatches);
    second.start(62'100);
    const std::vector<EngineEvent> events = second.takeEvents();
    QCOMPARE(events.at(1), EngineEvent(EngineEvent::Status{QStringLiteral("62.000 Sec")}));
}

void TstFunctionKeyWalk::aFailedWriteEndsTheWalkWithTheReason()
{
    WalkDriver driver({"AB^f2", "C"});
    driver.holdWrites = true;
    driver.start();
    driver.walk->writeFailed(QStringLiteral("Input/output error"), 5);
    QVERIFY(driver.walk->hasFailed());
    QCOMPARE(driver.walk->failure(), QStringLiteral("Input/output error"));
    const std::vector<EngineEvent> events = driver.walk->takeEvents();
    QCOMPARE(events.at(events.size() - 2),
             EngineEvent(EngineEvent::KeyNotice{EngineEvent::KeyNotice::Kind::KeyEnded, 0}));
    QCOMPARE(events.back(), EngineEvent(EngineEvent::Failed{QStringLiteral("Input/output error")}));
    driver.walk->outputWritten(10);
    QVERIFY(driver.walk->takeOutput().empty());
}

QTEST_GUILESS_MAIN(TstFunctionKeyWalk)
#include "tst_functionkeywalk.moc"
