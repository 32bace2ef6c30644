// Device engines carried by the terminal's link: what arrives goes to the attached engine instead of the
// screen, its output is written (paced where asked), its deadline is armed on the clock, its events reach
// the owner, and every way a lease ends gives the terminal its link back. A program that was busy past an
// engine's deadline hands it the bytes already waiting before it tells it of the deadline.

#include "engine/enginebase.h"
#include "fakeclock.h"
#include "fakelinks.h"
#include "link/commlink.h"
#include "settings/preferences.h"
#include "transfer/uploadengine.h"

#include <QtTest>

using namespace korvo;

namespace {

// A scripted engine: sends one paced line at start, then waits for outputWritten, then for 100 ms of
// silence; records what reaches it.
class LineEngine final : public EngineBase
{
public:
    bool showsReceived() const override { return shows; }
    void start(qint64 nowMs) override
    {
        log << QStringLiteral("start@%1").arg(nowMs);
        sendPaced("ab\r", '\r');
    }
    void bytesReceived(const QByteArray &data, qint64 nowMs) override
    {
        received += data;
        setDeadline(nowMs + 100);
    }
    void outputWritten(qint64 nowMs) override
    {
        log << QStringLiteral("written@%1").arg(nowMs);
        setDeadline(nowMs + 100);
    }
    void timerFired(qint64 nowMs) override
    {
        log << QStringLiteral("silence@%1").arg(nowMs);
        emitLine(QString::fromLatin1(received));
        finish();
    }

    bool shows = false;
    QStringList log;
    QByteArray received;
};

struct Rig
{
    explicit Rig(bool tcp = false)
    {
        settings.tcpipEnabled = tcp;
        settings.tcpAddress = QStringLiteral("10.0.0.7");
        QObject::connect(&link, &CommLink::dataReceived, [this](const QByteArray &d) { screen += d; });
        QObject::connect(&link, &CommLink::errorOccurred,
                         [this](const QString &text, const QString &, PromptIcon) { errors << text; });
        link.setCaptureSink([this](const QByteArray &d) { captured += d; });
    }
    EngineLease attach(DeviceEngine &engine, CommLink::LeaseKind kind = CommLink::LeaseKind::Shared)
    {
        return link.attach(
            engine, QStringLiteral("Test job"),
            [this](const std::vector<EngineEvent> &e) { events.insert(events.end(), e.begin(), e.end()); },
            kind);
    }
    // What the engines wrote: without the gateway's rate command that a TCP connection starts with.
    QByteArray written() const
    {
        const QByteArray all = settings.tcpipEnabled ? factory.socket->written() : factory.serial->written();
        return all.startsWith("}02:96") ? all.sliced(6) : all;
    }

    FakeClock clock;
    CommWindowSettings settings;
    FakeLinkFactory factory{clock};
    CommLink link{settings, clock, factory};
    std::vector<EngineEvent> events;
    QByteArray screen;
    QByteArray captured;
    QStringList errors;
};

bool hasFinished(const std::vector<EngineEvent> &events)
{
    return std::any_of(events.begin(), events.end(),
                       [](const EngineEvent &e) { return e.is<EngineEvent::Finished>(); });
}

} // namespace

class TstEngineLink : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void anAttachedEngineGetsWhatArrivesAndTheTerminalGetsItBackAfterwards()
    {
        Rig rig;
        rig.link.connectComm(true);
        LineEngine engine;
        EngineLease lease = rig.attach(engine);
        QVERIFY(rig.link.hasEngine());
        QCOMPARE(rig.written(), QByteArray("ab\r"));
        QCOMPARE(engine.log, QStringList({"start@0", "written@0"}));

        rig.clock.advance(40);
        rig.factory.serial->deliver("reply");
        QCOMPARE(engine.received, QByteArray("reply"));
        QVERIFY(rig.screen.isEmpty());
        rig.clock.advance(99);
        QVERIFY(!engine.isFinished());
        rig.clock.advance(1);
        QVERIFY(engine.isFinished());
        QCOMPARE(rig.events.front(), EngineEvent(EngineEvent::Line{"reply"}));
        QVERIFY(hasFinished(rig.events));

        lease.release();
        QVERIFY(!lease.isActive());
        QVERIFY(!rig.link.hasEngine());
        rig.factory.serial->deliver("prompt>");
        QCOMPARE(rig.screen, QByteArray("prompt>"));
        // Capture saw every byte first, whoever got them.
        QCOMPARE(rig.captured, QByteArray("replyprompt>"));
    }

    void anEngineThatShowsWhatArrivesAlsoFeedsTheScreen()
    {
        Rig rig;
        rig.link.connectComm(true);
        LineEngine engine;
        engine.shows = true;
        EngineLease lease = rig.attach(engine);
        rig.factory.serial->deliver("echo\r");
        QCOMPARE(rig.screen, QByteArray("echo\r"));
        QCOMPARE(engine.received, QByteArray("echo\r"));
    }

    void pacedOutputIsWrittenWithTheTerminalsPausesBeforeTheEngineHearsOfIt()
    {
        Rig rig(true);
        rig.settings.charDelay = 20;
        rig.settings.lineDelay = 100;
        rig.link.connectComm(true);
        LineEngine engine;
        EngineLease lease = rig.attach(engine);
        rig.clock.advance(150);
        QCOMPARE(rig.factory.socket->writes,
                 (QList<TimedWrite>{{0, "}02:96"}, {0, "a"}, {20, "b"}, {40, "\r"}}));
        QCOMPARE(engine.log, QStringList({"start@0", "written@150"}));
    }

    void theTerminalsOwnSendsAreRefusedWhileAJobHoldsTheLink()
    {
        Rig rig(true);
        rig.settings.charDelay = 20;
        rig.link.connectComm(true);
        LineEngine engine;
        EngineLease lease = rig.attach(engine);
        QSignalSpy refused(&rig.link, &CommLink::inputRefused);
        rig.link.sendToComm("xy", false);
        rig.link.sendTypedChar('z');
        rig.clock.advance(200);
        QCOMPARE(rig.factory.socket->written(), QByteArray("}02:96ab\r"));
        QCOMPARE(refused.size(), 2);
        QVERIFY(refused.first().first().toString().startsWith(QStringLiteral("Test job is running")));
        lease.release();
        rig.link.sendTypedChar('z');
        QCOMPARE(rig.factory.socket->written(), QByteArray("}02:96ab\rz"));
    }

    void aVanishedDeviceEndsTheEngineWithTheOsReasonAndNoSecondReport()
    {
        Rig rig;
        rig.link.connectComm(true);
        LineEngine engine;
        EngineLease lease = rig.attach(engine);
        rig.factory.serial->vanish(QStringLiteral("The device /dev/pts/9 is no longer available."));
        QVERIFY(engine.hasFailed());
        QCOMPARE(engine.failure(), "The device /dev/pts/9 is no longer available.");
        QVERIFY(rig.errors.isEmpty());
        QVERIFY(!rig.link.isConnected());
        QCOMPARE(rig.clock.nextDeadline(), -1);

        Rig tcp(true);
        tcp.link.connectComm(true);
        LineEngine other;
        EngineLease tcpLease = tcp.attach(other);
        tcp.factory.socket->fail(10054, QStringLiteral("Connection reset by peer"));
        QCOMPARE(other.failure(), "WinSock Error: 10054 is Connection reset by peer");
        QVERIFY(tcp.errors.isEmpty());
    }

    void aWriteErrorReachesTheEngine()
    {
        Rig rig;
        rig.link.connectComm(true);
        rig.factory.serial->writeError = QStringLiteral("Input/output error");
        LineEngine engine;
        EngineLease lease = rig.attach(engine);
        QCOMPARE(engine.failure(), "Input/output error");
        QVERIFY(rig.errors.isEmpty());
    }

    void anExclusiveLeaseOpensTheLineForItselfAndPutsTheTerminalBack()
    {
        Rig rig;
        rig.settings.connected = false;
        LineEngine engine;
        EngineLease lease = rig.attach(engine, CommLink::LeaseKind::Exclusive);
        QVERIFY(rig.link.isPortOpen());
        QCOMPARE(rig.written(), QByteArray("ab\r"));
        // Typed keys do not reach a line a tool is driving.
        rig.settings.connected = true;
        rig.link.sendTypedChar('x');
        rig.settings.connected = false;
        QCOMPARE(rig.written(), QByteArray("ab\r"));
        lease.release();
        QVERIFY(!rig.link.isPortOpen());

        // An exclusive lease whose port cannot be opened ends at once with the reason.
        Rig busy;
        busy.factory.openError = QStringLiteral("Device or resource busy");
        LineEngine blocked;
        EngineLease none = busy.attach(blocked, CommLink::LeaseKind::Exclusive);
        QCOMPARE(blocked.failure(), "Device or resource busy");
        QVERIFY(busy.errors.isEmpty());
    }

    void aLeaseEndsOnEveryPath()
    {
        Rig rig;
        rig.link.connectComm(true);
        {
            LineEngine engine;
            EngineLease lease = rig.attach(engine);
            // Going out of scope detaches: nothing reaches the destroyed engine afterwards.
        }
        QVERIFY(!rig.link.hasEngine());
        QCOMPARE(rig.clock.nextDeadline(), -1);
        rig.factory.serial->deliver("after");
        QCOMPARE(rig.screen, QByteArray("after"));

        // One job at a time: a second is refused, naming the first, which goes on untouched.
        rig.factory.serial->writes.clear();
        LineEngine first;
        EngineLease firstLease = rig.attach(first);
        LineEngine second;
        EngineLease secondLease = rig.attach(second, CommLink::LeaseKind::Exclusive);
        QVERIFY(secondLease.isRefused());
        QCOMPARE(secondLease.refusal(), rig.link.busyText());
        QVERIFY(secondLease.refusal().startsWith("Test job is running"));
        QVERIFY(!secondLease.isActive());
        QVERIFY(second.log.isEmpty());
        QVERIFY(firstLease.isActive());
        QVERIFY(!first.hasFailed());
        QCOMPARE(rig.written(), QByteArray("ab\r"));
        rig.factory.serial->deliver("x");
        QCOMPARE(first.received, QByteArray("x"));

        firstLease.cancel();
        QCOMPARE(first.failure(), "Cancelled");
        firstLease.release();
        QVERIFY(rig.link.busyText().isEmpty());
        QVERIFY(!rig.attach(second).isRefused());

        LineEngine third;
        EngineLease thirdLease = rig.attach(third);
        rig.link.shutdown();
        QVERIFY(third.hasFailed());
        QVERIFY(!thirdLease.isActive());
    }

    void theOwnerMayReleaseTheLeaseFromInsideItsEventSink()
    {
        Rig rig;
        rig.link.connectComm(true);
        LineEngine engine;
        EngineLease lease;
        lease =
            rig.link.attach(engine, QStringLiteral("Test job"), [&](const std::vector<EngineEvent> &events) {
                if (hasFinished(events))
                    lease.release();
            });
        rig.factory.serial->deliver("x");
        rig.clock.advance(100);
        QVERIFY(!lease.isActive());
        QVERIFY(!rig.link.hasEngine());
    }

    void bytesWaitingWhenTheSilenceEndsReachTheUploadFirst()
    {
        for (const bool tcp : {false, true}) {
            Rig rig(tcp);
            rig.link.connectComm(true);
            const auto arrive = [&](const QByteArray &bytes) {
                tcp ? rig.factory.socket->deliver(bytes) : rig.factory.serial->deliver(bytes);
            };
            // What came while the event loop was held up: nothing has announced it yet.
            const auto waitUnannounced = [&](const QByteArray &bytes) {
                tcp ? rig.factory.socket->holdUnannounced(bytes) : rig.factory.serial->holdUnannounced(bytes);
            };
            TransferRequest request;
            request.device = UKorvo;
            request.sections = TransferRequest::Variables | TransferRequest::Flags;
            UploadEngine upload(request);
            const EngineLease lease = rig.attach(upload);
            rig.clock.advance(10);
            QCOMPARE(rig.written(), QByteArray("print vars\r"));

            arrive("print vars\r\nX = G 100\r\n");
            waitUnannounced("Y = G -25\r\n");
            const qint64 silenceEnd = *upload.nextDeadline();
            // The deadline passes while a line waits: it waits for the line, however long the event loop
            // takes to hand it over, and the line then puts the silence off.
            rig.clock.advance(silenceEnd + 50 - rig.clock.nowMs());
            QCOMPARE(rig.written(), QByteArray("print vars\r"));
            arrive(">");
            QCOMPARE(upload.lastByteMs(), silenceEnd + 50);
            QVERIFY(!upload.isFinished());

            // With nothing waiting, the silence ends the section.
            rig.clock.advance(*upload.nextDeadline() - rig.clock.nowMs());
            rig.clock.advance(10);
            QCOMPARE(rig.written(), QByteArray("print vars\rprint flags\r"));
            arrive("print flags\r\nHOMED = G TRUE\r\n>");
            rig.clock.advance(upload.silenceMs());
            QVERIFY2(upload.isFinished(), tcp ? "tcp" : "serial");
            QVERIFY(hasFinished(rig.events));
            QStringList lines;
            for (const EngineEvent &event : rig.events)
                if (const auto *line = event.as<EngineEvent::Line>())
                    lines << line->text;
            QCOMPARE(lines, (QStringList{"'[VARIABLES]", "VAR X = 100", "VAR Y = -25", "", "'[FLAGS]",
                                         "FLG HOMED = 1", "'[END]"}));
            QVERIFY(rig.screen.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TstEngineLink)
#include "tst_enginelink.moc"
