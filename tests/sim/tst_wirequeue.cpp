// korvo-sim's serial line in virtual time: bytes cross it one every ten bit times in both directions, so a
// controller neither reads a command nor answers it quicker than a real line would let it.

#include "fakeclock.h"
#include "sim/controllersim.h"
#include "sim/simpty.h"
#include "sim/wirequeue.h"

#include <QSocketNotifier>
#include <QtTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace korvo;

class TstWireQueue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachByteArrivesTenBitTimesAfterTheOneBefore()
    {
        FakeClock clock;
        QByteArray arrived;
        QList<qint64> arrivals;
        WireQueue wire(clock, [&](const QByteArray &bytes, qint64 arrivalNs) {
            arrived += bytes;
            arrivals.append(arrivalNs);
        });
        wire.setRate(9600); // a byte every 1.0417 ms
        wire.push("0123456789");
        clock.advance(1);
        QVERIFY(arrived.isEmpty());
        clock.advance(1);
        QCOMPARE(arrived, QByteArray("0"));
        QCOMPARE(arrivals.last(), 1'041'666);
        clock.advance(8);
        QCOMPARE(arrived, QByteArray("012345678"));
        // Written while the line is busy: queued behind, not sent alongside.
        wire.push("ab");
        clock.advance(1);
        QCOMPARE(arrived, QByteArray("0123456789"));
        QCOMPARE(arrivals.last(), 10'416'660);
        clock.advance(2);
        QCOMPARE(arrived, QByteArray("0123456789ab"));
        QVERIFY(wire.idle());

        // Once the line is quiet a byte takes its own ten bit times from its write, not from the last one.
        clock.advance(100);
        wire.push("x");
        QCOMPARE(arrived.size(), 12);
        clock.advance(2);
        QCOMPARE(arrived.right(1), QByteArray("x"));
        QCOMPARE(arrivals.last(), 113'000'000 + 1'041'666);
        // A reply written when its command arrived starts then, and still waits for the line.
        wire.push("y", clock.nowNs() - 1'500'000);
        QCOMPARE(arrived.right(1), QByteArray("x"));
        clock.advance(1);
        QCOMPARE(arrived.right(1), QByteArray("y"));
        QCOMPARE(arrivals.last(), 114'041'666 + 1'041'666);
    }

    void withoutARateBytesPassAtOnceAndClearingDropsWhatIsOnTheLine()
    {
        FakeClock clock;
        QByteArray arrived;
        WireQueue wire(clock, [&](const QByteArray &bytes, qint64) { arrived += bytes; });
        wire.push("now");
        QCOMPARE(arrived, QByteArray("now"));
        wire.setRate(115200);
        wire.push("later");
        QVERIFY(!wire.idle());
        wire.clear();
        clock.runUntilIdle();
        QCOMPARE(arrived, QByteArray("now"));
    }

    // The program writes a command over a real pty in one piece; the controller sees it a byte at a time,
    // at the wire's pace, and its echo and answer come back no faster.
    void aPtyAtAWireRateDeliversWhatTheProgramWritesAtThatRate()
    {
        FakeClock clock;
        ControllerSim controller;
        SimPty pty(controller, clock);
        pty.setWireRate(9600);
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        const int fd = ::open(pty.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        termios modes{};
        QCOMPARE(::tcgetattr(fd, &modes), 0);
        ::cfmakeraw(&modes);
        ::tcsetattr(fd, TCSANOW, &modes);
        QByteArray answer;
        QSocketNotifier readable(fd, QSocketNotifier::Read);
        connect(&readable, &QSocketNotifier::activated, this, [&] {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                answer += QByteArray(buffer, n);
        });

        QCOMPARE(::write(fd, "pr al\r", 6), 6);
        QTRY_COMPARE(pty.receivedCount(), 6);
        QVERIFY(controller.received().isEmpty()); // no virtual time has passed: nothing is through
        clock.advance(5);                         // five bytes take 5.2 ms
        QCOMPARE(controller.received(), QByteArray("pr a"));
        QVERIFY(controller.commands().isEmpty());
        clock.advance(2);
        QCOMPARE(controller.commands(), QList<QByteArray>{"pr al"});
        // Each echoed byte leaves as it arrives; the line end arrived at 6.25 ms, and what follows it (its
        // echo, the listing, the prompt: 61 bytes) is through at 6.25 + 61 * 1.04 = 69.8 ms, not before.
        const QByteArray expected =
            "pr al\r\nACCEL = G 2000\r\nSPEED = G 1500\r\nCOUNT = G 0\r\nTEMP = L 12\r\n>";
        clock.advance(62);
        QTRY_VERIFY(answer.size() >= 60);
        QVERIFY(!answer.endsWith('>'));
        clock.runUntilIdle();
        QCOMPARE(clock.nowMs(), 70);
        QTRY_COMPARE(answer, expected);
        ::close(fd);
    }
};

QTEST_GUILESS_MAIN(TstWireQueue)
#include "tst_wirequeue.moc"
