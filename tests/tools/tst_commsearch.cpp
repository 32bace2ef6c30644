// The baud finder as a transcript: what it sends at each rate, what a controller at one rate answers,
// the coloured log, and Stop, in virtual time.

#include "tools/commsearchengine.h"

#include <QtTest>
#include <functional>

using namespace korvo;

namespace {

// A controller on the line: answers each probe that reaches it at its own rate.
using Answer = std::function<QByteArray(int lineBaud, const QByteArray &probe)>;

struct Transcript
{
    QList<QByteArray> sent;
    QStringList settings;
    QString log;
    QList<std::pair<QString, int>> pieces;
    QStringList statuses;
    qint64 endedAt = -1;
};

// Runs one search to its end, moving virtual time from deadline to deadline; stopAfterProbes > 0 presses
// Stop once that many probes went out.
Transcript run(CommSearchEngine &engine, const Answer &answer, int stopAfterProbes = 0)
{
    Transcript t;
    qint64 now = 0;
    int lineBaud = 9600;
    int probes = 0;
    engine.find(now);
    for (int steps = 0; steps < 1000; ++steps) {
        for (const LinkAction &a : engine.takeOutput()) {
            if (a.kind == LinkAction::Kind::SetSettings) {
                t.settings << a.settings;
                lineBaud = a.settings.section(u',', 0, 0).toInt();
                continue;
            }
            t.sent << a.bytes;
            for (const SearchRate &r : CommSearchEngine::rates())
                if (a.bytes == r.gatewayCode)
                    lineBaud = r.baud;
            if (a.bytes.contains("pr") || a.bytes.contains("print")) {
                ++probes;
                if (stopAfterProbes > 0 && probes == stopAfterProbes)
                    engine.stop();
                const QByteArray reply = answer(lineBaud, a.bytes);
                if (!reply.isEmpty())
                    engine.bytesReceived(reply, now + 1);
            }
        }
        for (const EngineEvent &e : engine.takeEvents()) {
            if (const auto *line = e.as<EngineEvent::Line>()) {
                t.log += line->text;
                t.pieces.append({line->text, line->style});
            } else if (const auto *status = e.as<EngineEvent::Status>()) {
                t.statuses << status->text;
            }
        }
        if (!engine.isSearching()) {
            t.endedAt = now;
            break;
        }
        now = *engine.nextDeadline();
        engine.timerFired(now);
    }
    return t;
}

Answer controllerAt(int baud, const QByteArray &reply)
{
    return [baud, reply](int lineBaud, const QByteArray &) {
        return lineBaud == baud ? reply : QByteArray("\xFF\xFE\xFF", 3);
    };
}

CommSearchEngine::Options options(DeviceType device, bool tcp = false)
{
    return {device, tcp, CommSearchEngine::defaultCtlCDelayMs(device, tcp), false};
}

} // namespace

class TstCommSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aTypeOneControllerAt19200IsFoundInTheSecondSection()
    {
        CommSearchEngine engine(options(UKorvo));
        const Transcript t = run(engine, controllerAt(19200, "19 1 0 3.005\r\n"));
        QCOMPARE(engine.foundRate(), 19200);
        QCOMPARE(t.settings.mid(0, 2), QStringList({"9600,n,8,1", "19200,n,8,1"}));
        // Every rate is tried; the found one is the first that matched.
        QCOMPARE(t.settings.size(), 5);
        // The 9600 section logs garbage in navy, the 19200 replies in blue.
        QVERIFY(t.pieces.contains({QStringLiteral("<FF><FE><FF>\r\n\r\n"), int(CommSearchEngine::Navy)}));
        QVERIFY(
            t.pieces.contains({QStringLiteral("19 1 0 3.005<0D><0A>\r\n\r\n"), int(CommSearchEngine::Blue)}));
        QCOMPARE(t.pieces.at(engine.foundPiece()).first, QStringLiteral("BAUD RATE = "));
        QCOMPARE(t.pieces.at(engine.foundPiece() + 1),
                 (std::pair<QString, int>{"19200\r\n\r\n", CommSearchEngine::Navy}));
        // Each probe follows the break sequence; probes 2 and 4 go out after an LF.
        QCOMPARE(t.sent.at(0), QByteArray("\n*\x03\n"));
        QCOMPARE(t.sent.at(1), QByteArray("print baud 1,\" \",echo 1,\" \",bsy,\" \",ver\r"));
        QCOMPARE(t.sent.at(3), QByteArray("\n*print baud 1,\" \",echo 1,\" \",bsy,\" \",ver\n"));
        QVERIFY(t.log.startsWith("BAUD RATE = 9600\r\n\r\nSent: print baud 1"));
    }

    void theTimingFollowsTheCtlCDelayAndTheRatesReplyWaits()
    {
        // Type 4 on serial: 1.5 s after each break, then 60/25/13/7/150 ms for the reply: 20 probes.
        CommSearchEngine engine(options(Veltor));
        const Transcript t = run(engine, [](int, const QByteArray &) { return QByteArray(); });
        QCOMPARE(t.endedAt, qint64(20 * 1500 + 4 * (60 + 25 + 13 + 7 + 150)));
        QCOMPARE(engine.foundRate(), 0);
        QVERIFY(t.log.contains("No Response\r\n\r\n"));
        QVERIFY(t.pieces.contains({QStringLiteral("No Response\r\n\r\n"), int(CommSearchEngine::DarkRed)}));
        // Probes 3 and 4 carry their marker before the last line end.
        QVERIFY(t.sent.contains(QByteArray("pr bd,\" \",em,\" \",by,\" \",vr\xEF\r")));
        QVERIFY(t.sent.contains(QByteArray("\n*pr bd,\" \",em,\" \",by,\" \",vr\xC5\n")));
    }

    void aReplyWithCode255NeverMatchesAndTheFirstMatchingRateWins()
    {
        CommSearchEngine engine(options(Veltor));
        const Transcript t = run(engine, [](int baud, const QByteArray &) {
            if (baud == 9600)
                return QByteArray("96 \xFF", 4);
            return baud == 38400 || baud == 4800 ? QByteArray(baud == 38400 ? "38 1 0" : "48 1 0")
                                                 : QByteArray();
        });
        QCOMPARE(engine.foundRate(), 38400);
    }

    void overTcpTheGatewayChangesRateAndNbIsTheAnswer()
    {
        CommSearchEngine engine(options(Fendra, true));
        const Transcript t = run(engine, [](int baud, const QByteArray &) {
            return baud == 38400 ? QByteArray("NB 0 1 2.1\r\n") : QByteArray();
        });
        QCOMPARE(engine.foundRate(), 38400);
        QVERIFY(t.settings.isEmpty());
        QCOMPARE(t.sent.at(0), QByteArray("}02:96"));
        QVERIFY(t.sent.contains(QByteArray("}02:38")));
        QCOMPARE(t.sent.at(2), QByteArray("\rpr em,\" \",by,\" \",vr\r"));
        // Accept sends the found rate's gateway command.
        engine.accept();
        QCOMPARE(engine.takeOutput().front().bytes, QByteArray("}02:38"));
    }

    void stopEndsTheSearchAfterTheCurrentProbeAndKeepsAFoundRate()
    {
        CommSearchEngine engine(options(Veltor));
        // Found at 19200 (probes 5..8), stopped during the 38400 probes (the tenth probe).
        const Transcript t = run(engine, controllerAt(19200, "19 1 0 2.2\r\n"), 10);
        QCOMPARE(engine.foundRate(), 19200);
        QCOMPARE(t.log.count("Sent: "), 10);
        QVERIFY(!t.log.contains("115200"));
    }

    void typesWithoutProbesSendNothingAndFindNothing()
    {
        for (const DeviceType device : {Q926, Hmi}) {
            CommSearchEngine engine(options(device));
            const Transcript t = run(engine, controllerAt(9600, "96 "));
            QVERIFY(t.sent.isEmpty());
            QCOMPARE(engine.foundRate(), 0);
        }
    }

    void aWriteFailureIsReportedOnceAndTheNextRateIsTried()
    {
        CommSearchEngine engine(options(Veltor));
        engine.find(0);
        engine.takeOutput();
        engine.writeFailed(QStringLiteral("Input/output error"), 0);
        const std::vector<LinkAction> out = engine.takeOutput();
        QCOMPARE(out.front().settings, QStringLiteral("19200,n,8,1"));
        QStringList statuses;
        for (const EngineEvent &e : engine.takeEvents())
            if (const auto *status = e.as<EngineEvent::Status>())
                statuses << status->text;
        QCOMPARE(statuses, QStringList({"Comm Error: Input/output error"}));
    }

    void printableFormKeepsTextDropsNulAndShowsTheRestInHex()
    {
        QCOMPARE(CommSearchEngine::printable(QByteArray("a\x00\x7F\r\xFF", 5)),
                 QStringLiteral("a\x7F<0D><FF>"));
    }
};

QTEST_GUILESS_MAIN(TstCommSearch)
#include "tst_commsearch.moc"
