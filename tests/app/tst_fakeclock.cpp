// The fake clock that every engine test relies on: deadline order, re-arming from a callback, stop.

#include "fakeclock.h"

#include <QtTest>

using namespace korvo;

class TstFakeClock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void timersFireInDeadlineOrderAtTheirOwnTime();
    void aTimerArmedFromACallbackFiresInTheSameAdvance();
    void stoppedAndDestroyedTimersNeverFire();
};

void TstFakeClock::timersFireInDeadlineOrderAtTheirOwnTime()
{
    FakeClock clock;
    QList<std::pair<QString, qint64>> fired;
    auto late = clock.createTimer([&] { fired.append({"late", clock.nowMs()}); });
    auto early = clock.createTimer([&] { fired.append({"early", clock.nowMs()}); });
    late->start(300);
    early->start(100);
    QCOMPARE(clock.nextDeadline(), 100);
    clock.advance(1000);
    QCOMPARE(fired, (QList<std::pair<QString, qint64>>{{"early", 100}, {"late", 300}}));
    QCOMPARE(clock.nowMs(), 1000);
}

void TstFakeClock::aTimerArmedFromACallbackFiresInTheSameAdvance()
{
    FakeClock clock;
    int ticks = 0;
    std::unique_ptr<OneShotTimer> timer;
    timer = clock.createTimer([&] {
        if (++ticks < 5)
            timer->restart();
    });
    timer->start(55);
    QCOMPARE(clock.runUntilIdle(), 275);
    QCOMPARE(ticks, 5);
    QVERIFY(!timer->isActive());
}

void TstFakeClock::stoppedAndDestroyedTimersNeverFire()
{
    FakeClock clock;
    bool fired = false;
    auto stopped = clock.createTimer([&] { fired = true; });
    stopped->start(10);
    stopped->stop();
    {
        auto destroyed = clock.createTimer([&] { fired = true; });
        destroyed->start(10);
    }
    clock.advance(100);
    QVERIFY(!fired);
    QCOMPARE(clock.nextDeadline(), -1);
}

QTEST_GUILESS_MAIN(TstFakeClock)
#include "tst_fakeclock.moc"
