// Function keys pressed on a terminal's link (fake ports, virtual time): what reaches the port and when,
// presses that stop a running key, the terminal screen while a key runs, and the "msg" panel's Timer3.

#include "fakeclock.h"
#include "fakelinks.h"
#include "functionkeys/functionkeyrunner.h"
#include "link/commlink.h"
#include "settings/preferences.h"

#include <QSignalSpy>
#include <QtTest>

using namespace korvo;

namespace {
struct Rig
{
    explicit Rig(bool tcp)
    {
        settings.tcpipEnabled = tcp;
        settings.tcpAddress = QStringLiteral("10.0.0.7");
        settings.fGroupCt = 2;
        settings.keys.resize(20);
        QObject::connect(&link, &CommLink::dataReceived, [this](const QByteArray &d) { screen += d; });
        QObject::connect(&runner, &FunctionKeyRunner::message, [this](const QString &t) { messages << t; });
        QObject::connect(&runner, &FunctionKeyRunner::keyRunning, [this](int key, bool on) {
            running << QStringLiteral("F%1%2").arg(key + 1).arg(on ? '+' : '-');
        });
    }
    void setKey(int group, int key, const QString &contents)
    {
        settings.keys[size_t(group * 10 + key)].command = contents;
    }
    QList<TimedWrite> writes() const
    {
        return settings.tcpipEnabled ? factory.socket->writes : factory.serial->writes;
    }
    QByteArray written() const
    {
        return settings.tcpipEnabled ? factory.socket->written() : factory.serial->written();
    }

    FakeClock clock;
    CommWindowSettings settings;
    FakeLinkFactory factory{clock};
    CommLink link{settings, clock, factory};
    FunctionKeyRunner runner{link, clock};
    QByteArray screen;
    QStringList messages;
    QStringList running;
};
} // namespace

class TstFunctionKeyRunner : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aKeyOfTheCurrentGroupGoesOutOnlyWhileConnected()
    {
        Rig rig(false);
        rig.setKey(0, 1, QStringLiteral("wrong group"));
        rig.setKey(1, 1, QStringLiteral("pr al^M"));
        rig.settings.fGroup = 1;
        rig.link.connectComm(false);
        rig.runner.press(1);
        QVERIFY(!rig.runner.isRunning());
        QVERIFY(!rig.factory.serial || rig.written().isEmpty());

        rig.link.connectComm(true);
        QSignalSpy finished(&rig.runner, &FunctionKeyRunner::finished);
        rig.runner.press(1);
        QVERIFY(rig.runner.isRunning());
        rig.clock.runUntilIdle(1000);
        QCOMPARE(rig.written(), QByteArray("pr al\r"));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.running, (QStringList{"F2+", "F2-"}));
        // The terminal has its link back.
        QVERIFY(!rig.link.hasEngine());

        // An empty key ends at once and leaves the link free too.
        rig.runner.press(7);
        QVERIFY(!rig.runner.isRunning());
        QVERIFY(!rig.link.hasEngine());
    }

    void aContinuousRepeatRunsForMinutesOverTcpUntilTheNextPress()
    {
        Rig rig(true);
        rig.settings.charDelay = 20;
        rig.setKey(0, 0, QStringLiteral("A^p^r0"));
        rig.link.connectComm(true);
        rig.runner.press(0);
        rig.clock.advance(5 * 60 * 1000);
        QVERIFY(rig.runner.isRunning());
        // Each "A" waits out its character delay, then the second's pause: one every 1020 ms.
        const QList<TimedWrite> writes = rig.writes();
        QCOMPARE(writes.size(), 5 * 60 * 1000 / 1020 + 1);
        for (qsizetype i = 1; i < writes.size(); ++i)
            QCOMPARE(writes.at(i).at - writes.at(i - 1).at, 1020);
        QCOMPARE(rig.messages.last(), QStringLiteral("F1 - %1 - Continuous").arg(writes.size() - 1));

        // The device's answers stay on the screen while the key runs.
        QVERIFY(rig.link.hasEngine());
        rig.factory.socket->deliver("A\r\n>");
        QCOMPARE(rig.screen, QByteArray("A\r\n>"));

        // Any key stops it, and starts nothing itself.
        rig.setKey(0, 4, QStringLiteral("never sent"));
        rig.runner.press(4);
        QVERIFY(!rig.runner.isRunning());
        rig.clock.advance(60'000);
        QCOMPARE(rig.writes().size(), writes.size());
        // Timer3 has cleared the "msg" panel meanwhile.
        QCOMPARE(rig.messages.last(), QString());
    }

    void captureCodesAndWriteFailuresReachTheWindow()
    {
        Rig rig(false);
        rig.setKey(0, 2, QStringLiteral("^cX^p^o^t1"));
        rig.link.connectComm(true);
        QSignalSpy capture(&rig.runner, &FunctionKeyRunner::captureRequested);
        rig.runner.press(2);
        rig.clock.runUntilIdle(5000);
        QCOMPARE(capture.size(), 2);
        QCOMPARE(capture.at(0).at(0).toBool(), true);
        QCOMPARE(capture.at(1).at(0).toBool(), false);
        QCOMPARE(rig.messages.first(), QStringLiteral("0.0 Sec"));

        QSignalSpy failed(&rig.runner, &FunctionKeyRunner::failed);
        rig.factory.serial->writeError = QStringLiteral("Input/output error");
        rig.runner.press(2);
        rig.clock.runUntilIdle(5000);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), QStringLiteral("Input/output error"));
        QVERIFY(!rig.runner.isRunning());
        QVERIFY(!rig.link.hasEngine());
    }
};

QTEST_GUILESS_MAIN(TstFunctionKeyRunner)
#include "tst_functionkeyrunner.moc"
