// The upload and download engines as transcripts: what they send, what the device answers (split at
// every offset, as a serial line splits it), what the listing becomes; time moves only when a test moves it.

#include "transfer/downloadengine.h"
#include "transfer/hmiblockcodec.h"
#include "transfer/listingreader.h"
#include "transfer/uploadengine.h"

#include <QtTest>

using namespace korvo;

namespace {
// Carries one engine's side of a dialogue: what it sent, what it said, and the clock.
template <class Engine> struct Dialogue
{
    explicit Dialogue(Engine &e) : engine(e) {}
    Engine &engine;
    qint64 now = 0;
    QList<QByteArray> sent;
    QList<bool> linePauses; // a download's lines take the line pause, an upload's commands do not
    QStringList lines;
    QStringList statuses;
    QList<std::pair<qint64, qint64>> progress; // done, total
    bool finished = false;
    QString note; // what the finished job still tells
    QString failure;

    void collect()
    {
        for (const LinkAction &action : engine.takeOutput()) {
            sent.append(action.bytes);
            linePauses.append(action.linePause);
        }
        for (const EngineEvent &event : engine.takeEvents()) {
            if (const auto *line = event.as<EngineEvent::Line>())
                lines.append(line->text);
            else if (const auto *status = event.as<EngineEvent::Status>())
                statuses.append(status->text);
            else if (const auto *steps = event.as<EngineEvent::Progress>())
                progress.append({steps->done, steps->total});
            else if (const auto *failed = event.as<EngineEvent::Failed>())
                failure = failed->reason;
            if (const auto *end = event.as<EngineEvent::Finished>()) {
                finished = true;
                note = end->note;
            }
        }
    }
    void start()
    {
        engine.start(now);
        collect();
    }
    // The device answers in the given pieces, 10 ms apart.
    void answer(const QList<QByteArray> &pieces)
    {
        for (const QByteArray &piece : pieces) {
            now += 10;
            engine.bytesReceived(piece, now);
            collect();
        }
    }
    // The device is silent until the engine's deadline.
    void silence()
    {
        QVERIFY(engine.nextDeadline().has_value());
        now = *engine.nextDeadline();
        engine.timerFired(now);
        collect();
    }
};

QList<QByteArray> splitAt(const QByteArray &text, qsizetype offset)
{
    return {text.left(offset), text.mid(offset)};
}

TransferRequest request(DeviceType device, int sections, const QString &address = {})
{
    TransferRequest r;
    r.device = device;
    r.sections = sections;
    r.deviceAddress = address;
    return r;
}

QByteArray hmiBlock(char fill, int sumOffset = 0)
{
    QByteArray data(HmiBlockCodec::kDataBytes, fill);
    return data + char(HmiBlockCodec::checkByte(data) + sumOffset) + "\r\n";
}
} // namespace

class TstTransferEngines : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void uKorvoVariablesAndFlagsGiveTheSameListingHoweverTheRepliesAreSplit();
    void veltorProgramGetsItsHeaderWithTheLabelLineAfterIt();
    void aCommandWithoutAGoodAnswerIsAskedAgainThenTheJobGoesOnOrFailsNamingIt();
    void theSilenceIntervalCountsFromTheLastReplyNotFromTheCommand();
    void aCancelledUploadReadsTheRestOfTheAnswerUntilTheDeviceIsSilent();
    void q926BlocksAreReadInTheirSequence_data();
    void q926BlocksAreReadInTheirSequence();
    void hmiBlocksAreCheckedAndABadOneIsAskedForAgain();
    void aDeviceAddressPrefixesEveryCommandAndLinesEndInLf();
    void downloadSendsEachLineAfterTheEchoOfThePreviousLineEnd();
    void aDownloadLineEchoedOtherwiseOrRefusedEndsTheJobNamingIt();
    void downloadWithoutEchoWaitsWithoutDeadlineUntilCancelled();
    void downloadLeftInProgramModeIsClosedWithTheProgramWord();
    void aFailedWriteIsReportedAndTheDownloadGoesOn();
    void listingLinesEndInCrLfLfOrALoneCr();
    void whatCannotBeAListingIsRefusedWithItsReason();
    void requestedSectionsAreTakenUpToTheNextHeader();
    void hmiLinesReadBackToTheirBytes();
};

void TstTransferEngines::uKorvoVariablesAndFlagsGiveTheSameListingHoweverTheRepliesAreSplit()
{
    const QByteArray vars = "print vars\r\nX = G 100\r\nI = L 3\r\nY = G -25\r\n>";
    const QByteArray flags = "print flags\r\nHOMED = G TRUE\r\nBUSY = L FALSE\r\nFAULT = G FALSE\r\n>";
    const QStringList expected{"'[VARIABLES]", "VAR X = 100",   "VAR Y = -25",   "",
                               "'[FLAGS]",     "FLG HOMED = 1", "FLG FAULT = 0", "'[END]"};
    for (qsizetype offset = 0; offset <= flags.size(); ++offset) {
        UploadEngine engine(request(UKorvo, TransferRequest::Variables | TransferRequest::Flags));
        Dialogue<UploadEngine> d(engine);
        d.start();
        QCOMPARE(d.sent, (QList<QByteArray>{"print vars\r"}));
        d.answer(splitAt(vars, std::min(offset, vars.size())));
        d.silence();
        QCOMPARE(d.sent.last(), QByteArray("print flags\r"));
        d.answer(splitAt(flags, offset));
        d.silence();
        QVERIFY2(d.finished, qPrintable(QString::number(offset)));
        QCOMPARE(d.lines, expected);
        // A command counts once its answer has ended: the whole only at the end.
        QCOMPARE(d.progress, (QList<std::pair<qint64, qint64>>{{0, 2}, {1, 2}, {2, 2}}));
    }
}

void TstTransferEngines::veltorProgramGetsItsHeaderWithTheLabelLineAfterIt()
{
    const QByteArray reply = ">l\r\n\r\nLB MAIN\r\n100  VA COUNT = 0\r\n101  BR MAIN\r\n>";
    for (qsizetype offset = 0; offset <= reply.size(); ++offset) {
        UploadEngine engine(request(Veltor, 0)); // nothing ticked: the programs
        Dialogue<UploadEngine> d(engine);
        d.start();
        QCOMPARE(d.sent, (QList<QByteArray>{"l\r"}));
        d.answer(splitAt(reply, offset));
        d.silence();
        QVERIFY(d.finished);
        QCOMPARE(d.lines, (QStringList{"'[PROGRAMS]", "", "PG 100  ", "LB MAIN", "100  VA COUNT = 0",
                                       "101  BR MAIN", "        PG", "'[END]"}));
    }
}

void TstTransferEngines::aCommandWithoutAGoodAnswerIsAskedAgainThenTheJobGoesOnOrFailsNamingIt()
{
    // A silent device: each command is asked four times, then its section keeps its header alone and the
    // next one is asked; the listing of headers ends as usual and the job tells what went unanswered.
    UploadEngine silent(request(Veltor, TransferRequest::Variables | TransferRequest::Programs));
    Dialogue<UploadEngine> s(silent);
    s.start();
    for (int step = 0; step < 12 && !silent.isFinished(); ++step)
        s.silence();
    QVERIFY(s.finished);
    QCOMPARE(s.sent, QList<QByteArray>(4, "pr al\r") + QList<QByteArray>(4, "l\r"));
    QCOMPARE(s.lines, (QStringList{"'[VARIABLES]", "", "'[PROGRAMS]", "        PG", "'[END]"}));
    QCOMPARE(s.note, QStringLiteral("VARIABLES: no answer to \"pr al\" (asked 4 times)\r\n"
                                    "PROGRAMS: no answer to \"l\" (asked 4 times)"));

    // A noisy line: a wrong echo, then a "?" (the device took a damaged command), then the answer; the
    // spoilt readings leave nothing in the listing and the progress counts the command once.
    UploadEngine noisy(request(Veltor, TransferRequest::Programs));
    Dialogue<UploadEngine> n(noisy);
    n.start();
    n.answer({"m\r\n?\r\n>"});
    n.silence();
    QCOMPARE(n.statuses.last(), QStringLiteral("PROGRAMS: the device echoed \"m\" to \"l\"; asking again"));
    n.answer({"l\r\n?\r\n>"});
    n.silence();
    QCOMPARE(n.statuses.last(), QStringLiteral("PROGRAMS: the device answered \"?\" to \"l\"; asking again"));
    QVERIFY(n.lines.isEmpty());
    n.answer({">l\r\n\r\n100  H\r\n>"});
    n.silence();
    QVERIFY(n.finished);
    QCOMPARE(n.sent, QList<QByteArray>(3, "l\r"));
    QCOMPARE(n.lines, (QStringList{"'[PROGRAMS]", "", "PG 100  ", "100  H", "        PG", "'[END]"}));
    QCOMPARE(n.progress, (QList<std::pair<qint64, qint64>>{{0, 1}, {1, 1}}));

    // Read twice: the reply is held until two readings in a row agree (a damaged reading that repeats an
    // earlier one is not taken), and fails naming the first differing line when they never do.
    TransferRequest twice = request(Veltor, TransferRequest::Variables);
    twice.readings = 2;
    UploadEngine careful(twice);
    Dialogue<UploadEngine> c(careful);
    c.start();
    for (const QByteArray value : {"2D00", "2000", "2D00", "2000", "2000"}) {
        c.answer({"pr al\r\nACCEL = G " + value + "\r\n>"});
        QVERIFY(c.lines.isEmpty());
        c.silence();
    }
    QVERIFY(c.finished);
    QCOMPARE(c.sent.size(), 5);
    QCOMPARE(c.lines, (QStringList{"'[VARIABLES]", "VA ACCEL = 2000", "'[END]"}));
    UploadEngine never(twice);
    Dialogue<UploadEngine> v(never);
    v.start();
    for (int reading = 0; reading < 5; ++reading) {
        v.answer({"pr al\r\nACCEL = G 2000\r\nSPEED = G " + QByteArray::number(reading) + "\r\n>"});
        v.silence();
    }
    QCOMPARE(v.failure, QStringLiteral("VARIABLES: 5 readings, never 2 in a row alike; line 3 read \"VA "
                                       "SPEED = 3\", then \"VA SPEED = 4\""));
    QVERIFY(v.lines.isEmpty());
}

void TstTransferEngines::aCancelledUploadReadsTheRestOfTheAnswerUntilTheDeviceIsSilent()
{
    UploadEngine engine(request(UKorvo, TransferRequest::Variables | TransferRequest::Flags));
    Dialogue<UploadEngine> d(engine);
    d.start();
    d.answer({"print vars\r\nX = G 100\r\n"});
    engine.cancel(d.now);
    d.collect();
    QCOMPARE(d.statuses.last(),
             QStringLiteral("Cancelled: reading the rest of the device's answer until it is silent"));
    // The rest of the answer is read and dropped; every byte puts the end off again.
    d.answer({"Y = G -25\r\n", "SPEED = G 2500\r\n>"});
    QCOMPARE(*engine.nextDeadline(), d.now + engine.silenceMs());
    QVERIFY(d.failure.isEmpty());
    d.silence();
    QCOMPARE(d.failure, QStringLiteral("Cancelled"));
    QCOMPARE(engine.drain(), UploadEngine::Drain::Silent);
    QCOMPARE(d.lines, (QStringList{"'[VARIABLES]", "VAR X = 100"}));
    QCOMPARE(d.sent, (QList<QByteArray>{"print vars\r"})); // no next section

    // A second Cancel stops waiting.
    UploadEngine again(request(UKorvo, TransferRequest::Variables));
    Dialogue<UploadEngine> a(again);
    a.start();
    again.cancel(a.now);
    again.cancel(a.now);
    a.collect();
    QCOMPARE(a.failure, QStringLiteral("Cancelled"));
    QCOMPARE(again.drain(), UploadEngine::Drain::Stopped);

    // A device that never falls silent is read for a limited time only.
    UploadEngine endless(request(Veltor, TransferRequest::Variables));
    Dialogue<UploadEngine> e(endless);
    e.start();
    endless.cancel(e.now);
    while (!endless.isFinished() && e.now < 20'000) {
        if (*endless.nextDeadline() <= e.now + 10)
            e.silence();
        else
            e.answer({"VA X = G 1\r\n"});
    }
    QCOMPARE(e.failure, QStringLiteral("Cancelled"));
    QCOMPARE(e.now, qint64(UploadEngine::kDrainLimitMs));
    QCOMPARE(endless.drain(), UploadEngine::Drain::StillSending);
}

void TstTransferEngines::theSilenceIntervalCountsFromTheLastReplyNotFromTheCommand()
{
    TransferRequest r = request(Veltor, TransferRequest::Variables);
    r.timing.baud = 9600;
    UploadEngine engine(r);
    Dialogue<UploadEngine> d(engine);
    d.start();
    // "pr al" CR: 6 characters of 1 + 55 ms, 55 ms for the line, 500 ms extra.
    QCOMPARE(engine.silenceMs(), 6 * 56 + 55 + 500);
    engine.outputWritten(40);
    QCOMPARE(*engine.nextDeadline(), 40 + 891);
    d.now = 800;
    engine.bytesReceived("pr al\r\nA = G 1\r\n", d.now);
    QCOMPARE(*engine.nextDeadline(), 800 + 891);
}

void TstTransferEngines::q926BlocksAreReadInTheirSequence_data()
{
    QTest::addColumn<int>("sections");
    QTest::addColumn<QString>("word");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("tailHeader");
    QTest::newRow("programs") << int(TransferRequest::Programs) << "PROGRAMS" << 17 << QByteArray("[1700 90")
                              << "'[PROGRAMS (1700-1790)]";
    // Nothing ticked: the whole non-volatile memory.
    QTest::newRow("NVM") << 0 << "NVM" << 20 << QByteArray("[2000 47") << "'[NVM (2000-2047)]";
}

void TstTransferEngines::q926BlocksAreReadInTheirSequence()
{
    QFETCH(int, sections);
    QFETCH(QString, word);
    QFETCH(int, blocks);
    QFETCH(QByteArray, tail);
    QFETCH(QString, tailHeader);
    UploadEngine engine(request(Q926, sections));
    Dialogue<UploadEngine> d(engine);
    d.start();
    QCOMPARE(d.statuses.first(), QStringLiteral("Uploading ") + word + " (0-99)");
    d.answer({"[0 99\r\n0000: 12\r\n"});
    while (!d.finished && d.sent.size() < 40) {
        d.silence();
        d.answer({d.sent.last().chopped(1) + "\r\n"}); // the echo: an empty block
    }
    QVERIFY(d.finished);
    QList<QByteArray> expected{"[0 99\r"};
    for (int block = 1; block < blocks; ++block)
        expected.append("[" + QByteArray::number(100 * block) + " 99\r");
    expected.append(tail + '\r');
    QCOMPARE(d.sent, expected);
    const QString header = "'[" + word + " (%1-%2)]";
    QCOMPARE(d.lines.mid(0, 4),
             (QStringList{header.arg(0).arg(99), "0000: 12", "", header.arg(100).arg(199)}));
    const int last = 100 * (blocks - 1);
    QVERIFY(d.lines.contains(header.arg(last).arg(last + 99)));
    QCOMPARE(d.lines.last(), tailHeader);
}

void TstTransferEngines::hmiBlocksAreCheckedAndABadOneIsAskedForAgain()
{
    const QByteArray good = hmiBlock('\x05');
    const QByteArray bad = hmiBlock('\x05', 1); // sums to 257
    for (qsizetype offset = 0; offset <= good.size(); ++offset) {
        UploadEngine engine(request(Hmi, TransferRequest::Flags));
        Dialogue<UploadEngine> d(engine);
        d.start();
        QCOMPARE(d.sent, (QList<QByteArray>{"\x1b"
                                            "5632J\r"}));
        d.answer(splitAt(bad, offset));
        d.silence();
        QCOMPARE(d.sent.last(), QByteArray("\x1b"
                                           "5632J\r"));
        d.answer(splitAt(good, offset));
        d.silence();
        QCOMPARE(d.sent.last(), QByteArray("\x1b"
                                           "5664J\r"));
        d.answer({hmiBlock('\xff')}); // erased: its line keeps its address
        d.silence();
        // Each step leaves an empty line, as for every device.
        QCOMPARE(d.lines, (QStringList{"'[PARAMETERS] ", "  0000  " + QStringLiteral("<05>").repeated(32), "",
                                       "  0032  " + QStringLiteral("<empty>").repeated(32), ""}));
    }
    // The whole parameter range is sixteen blocks; the job then ends by itself.
    UploadEngine engine(request(Hmi, TransferRequest::Flags));
    Dialogue<UploadEngine> d(engine);
    d.start();
    while (!d.finished && d.sent.size() < 100) {
        d.answer({hmiBlock('\xff')});
        d.silence();
    }
    QCOMPARE(d.sent.size(), 16);
    QCOMPARE(d.sent.last(), QByteArray("\x1b"
                                       "6112J\r"));
}

void TstTransferEngines::aDeviceAddressPrefixesEveryCommandAndLinesEndInLf()
{
    UploadEngine upload(request(Norbel, TransferRequest::Variables, QStringLiteral("1")));
    Dialogue<UploadEngine> u(upload);
    u.start();
    QCOMPARE(u.sent, (QList<QByteArray>{"1pr al\n"}));
    QCOMPARE(u.linePauses, (QList<bool>{false}));

    DownloadEngine download({"VA A = 1", "VA B = 2"}, request(Norbel, 0, QStringLiteral("1")));
    Dialogue<DownloadEngine> d(download);
    d.start();
    d.answer({"1VA A = 1\r"}); // a CR is no echo of a LF
    QCOMPARE(d.sent, (QList<QByteArray>{"1VA A = 1\n"}));
    d.answer({"\n>"});
    QCOMPARE(d.sent, (QList<QByteArray>{"1VA A = 1\n", "1VA B = 2\n"}));
    QCOMPARE(d.linePauses, (QList<bool>{true, true}));
}

void TstTransferEngines::downloadSendsEachLineAfterTheEchoOfThePreviousLineEnd()
{
    const QList<QByteArray> lines{"'[VARIABLES]", "VA A = 1", "", "'[END]"};
    DownloadEngine engine(lines, request(Veltor, 0));
    Dialogue<DownloadEngine> d(engine);
    d.start();
    QCOMPARE(d.sent.size(), 1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QCOMPARE(d.sent.last(), lines[i] + '\r');
        d.answer({lines[i]});
        QCOMPARE(d.sent.size(), i + 1); // no line end yet: nothing more goes out
        d.answer({"\r\n>"});
    }
    // After the last echo the device has a moment to refuse the line.
    QVERIFY(!d.finished);
    d.silence();
    QVERIFY(d.finished);
    QVERIFY(d.failure.isEmpty());
    QCOMPARE(engine.linesDone(), 4);
    QCOMPARE(engine.bytesDone(), engine.bytesTotal());
}

void TstTransferEngines::aDownloadLineEchoedOtherwiseOrRefusedEndsTheJobNamingIt()
{
    const QList<QByteArray> lines{"VA A = 1", "VA B = 2", "VA C = 3"};
    // A doubled line end is no echo; a damaged echo ends the job: the device may hold the line damaged.
    DownloadEngine damaged(lines, request(Veltor, 0));
    Dialogue<DownloadEngine> d(damaged);
    d.start();
    d.answer({"VA A = 1\r\r\n>", "VA B = 3\r\n>"});
    QCOMPARE(d.sent.size(), 2);
    QCOMPARE(d.failure, QStringLiteral("The echo of line 2 (\"VA B = 2\") came back as \">VA B = 3\": the "
                                       "device may hold the line damaged"));
    // Before the echo only the prompt may come: a doubled first byte is a line the device took otherwise.
    DownloadEngine doubled(lines, request(Veltor, 0));
    Dialogue<DownloadEngine> b(doubled);
    b.start();
    b.answer({"VA A = 1\r\n>", "VVA B = 2\r\n>"});
    QCOMPARE(b.failure, QStringLiteral("The echo of line 2 (\"VA B = 2\") came back as \">VVA B = 2\": the "
                                       "device may hold the line damaged"));
    // A "?" after an echo refuses the line before it, the last line too.
    for (const qsizetype refused : {1, 3}) {
        DownloadEngine engine(lines, request(Veltor, 0));
        Dialogue<DownloadEngine> r(engine);
        r.start();
        for (qsizetype i = 0; i < refused; ++i)
            r.answer({lines[i] + "\r\n"});
        r.answer({"?\r\n>"});
        QCOMPARE(r.failure, QStringLiteral("The device answered \"?\" to line %1 (\"%2\")")
                                .arg(refused)
                                .arg(QString::fromLatin1(lines[refused - 1])));
    }
}

void TstTransferEngines::downloadWithoutEchoWaitsWithoutDeadlineUntilCancelled()
{
    DownloadEngine engine({"VA A = 1", "VA B = 2"}, request(Veltor, 0));
    Dialogue<DownloadEngine> d(engine);
    d.start();
    QVERIFY(!engine.nextDeadline().has_value());
    d.answer({"VA A"});
    QVERIFY(!engine.isFinished());
    QCOMPARE(engine.lastEchoMs(), 0);
    engine.cancel(d.now);
    d.collect();
    QCOMPARE(d.failure, QStringLiteral("Cancelled"));
    d.answer({"\r\n"});
    QCOMPARE(d.sent.size(), 1);

    // With an echo time-out each echo puts the end off; the echo that does not come ends the job by name.
    TransferRequest timed = request(Veltor, 0);
    timed.echoTimeoutMs = 2000;
    DownloadEngine limited({"VA A = 1", "VA B = 2"}, timed);
    Dialogue<DownloadEngine> t(limited);
    t.start();
    QCOMPARE(*limited.nextDeadline(), 2000);
    t.answer({"VA A = 1\r\n"});
    QCOMPARE(*limited.nextDeadline(), t.now + 2000);
    t.silence();
    QCOMPARE(t.failure, QStringLiteral("No echo of line 2 (\"VA B = 2\") within 2 s"));
}

void TstTransferEngines::downloadLeftInProgramModeIsClosedWithTheProgramWord()
{
    DownloadEngine engine({"PGM 100  ", "100  X = 0"}, request(UKorvo, 0));
    Dialogue<DownloadEngine> d(engine);
    d.start();
    d.answer({"PGM 100  \r\n"});
    QCOMPARE(engine.programModeNote(),
             QStringLiteral(
                 "The controller is left in program mode: send the line \"PGM\" to close the program."));
    d.answer({">100  X = 0\r\n"});
    QCOMPARE(d.sent.last(), QByteArray("PGM\r"));
    QVERIFY(!d.finished);
    // The closing line is one more step: the bar is not full before its echo.
    QCOMPARE(d.progress.last(), (std::pair<qint64, qint64>{2, 3}));
    QVERIFY(engine.programModeNote().isEmpty());
    d.answer({">PGM\r\n>"});
    QCOMPARE(d.progress.last(), (std::pair<qint64, qint64>{3, 3}));
    d.silence();
    QVERIFY(d.finished);

    DownloadEngine closed({"PG 100  ", "100  H", "        PG"}, request(Fendra, 0));
    Dialogue<DownloadEngine> c(closed);
    c.start();
    c.answer({"PG 100  \r\n", "100  H\r\n", "        PG\r\n"});
    c.silence();
    QVERIFY(c.finished);
    QCOMPARE(c.sent.size(), 3);
    QVERIFY(closed.programModeNote().isEmpty());

    // The line to send carries the device address as every download line does.
    DownloadEngine addressed({"PG 100  ", "100  H"}, request(Veltor, 0, QStringLiteral("2")));
    Dialogue<DownloadEngine> a(addressed);
    a.start();
    QVERIFY(addressed.programModeNote().contains(QStringLiteral("send the line \"2PG\"")));
}

void TstTransferEngines::aFailedWriteIsReportedAndTheDownloadGoesOn()
{
    DownloadEngine engine({"VA A = 1", "VA B = 2"}, request(Veltor, 0));
    Dialogue<DownloadEngine> d(engine);
    d.start();
    engine.writeFailed(QStringLiteral("Resource temporarily unavailable"), d.now);
    d.collect();
    QVERIFY(d.statuses.contains(QStringLiteral("Resource temporarily unavailable")));
    d.answer({"VA A = 1\r\n"});
    QCOMPARE(d.sent.size(), 2);
    engine.linkLost(QStringLiteral("Input/output error"), d.now);
    d.collect();
    QCOMPARE(d.failure, QStringLiteral("Input/output error"));
}

void TstTransferEngines::listingLinesEndInCrLfLfOrALoneCr()
{
    QList<QByteArray> lines;
    QString error;
    QVERIFY(ListingReader::splitLines("a\r\nb\rc\n\r\nd", &lines, &error));
    QCOMPARE(lines, (QList<QByteArray>{"a", "b", "c", "", "d"}));
}

void TstTransferEngines::whatCannotBeAListingIsRefusedWithItsReason()
{
    QList<QByteArray> lines;
    QString error;
    QVERIFY(!ListingReader::splitLines(QByteArray("VA A = 1\r\nVA\0B", 14), &lines, &error));
    QCOMPARE(error, QStringLiteral("It holds a NUL byte (line 2): it is not a listing."));
    QVERIFY(!ListingReader::splitLines("x\n" + QByteArray(100'000, 'A'), &lines, &error));
    QVERIFY(error.startsWith(QStringLiteral("Line 2 is longer")));
    QVERIFY(lines.isEmpty());
    // Bytes above 127 are Windows-1252 text and go through as they are.
    QVERIFY(ListingReader::splitLines("VA \xe9 = 1", &lines, &error));
}

void TstTransferEngines::requestedSectionsAreTakenUpToTheNextHeader()
{
    const QList<QByteArray> listing{"'[VARIABLES]", "VA A = 1",   "",       "'[programs]", "PG 100  ",
                                    "100  H",       "        PG", "'[END]", "after"};
    // Only programs: the variables are skipped, the section ends at "'[END]", the header is not sent.
    ListingReader::Selection programs = ListingReader::select(listing, Veltor, TransferRequest::Programs);
    QCOMPARE(programs.lines, (QList<QByteArray>{"PG 100  ", "100  H", "        PG"}));
    QCOMPARE(programs.found, int(TransferRequest::Programs));
    QCOMPARE(programs.programName, QString());
    // A section the listing lacks is not found (the caller asks whether to send the whole file).
    QCOMPARE(ListingReader::select(listing, UKorvo, TransferRequest::Flags).found, 0);
    // Nothing selected: every line, comments included.
    QCOMPARE(ListingReader::select(listing, Veltor, 0).lines, listing);
    // 926Q blocks of one section follow each other under their own headers; the uKorvo program name.
    const QList<QByteArray> q926{"'[PROGRAMS (0-99)]",  "0000: 1", "", "'[PROGRAMS (100-199)]", "0100: 2",
                                 "'[VARIABLES (1985)]", "1985: 3"};
    QCOMPARE(ListingReader::select(q926, Q926, TransferRequest::Programs).lines,
             (QList<QByteArray>{"0000: 1", "", "0100: 2"}));
    QCOMPARE(ListingReader::select({"'[PROGRAMS]", "PGM MAIN"}, UKorvo, 4).programName,
             QStringLiteral("MAIN"));
}

void TstTransferEngines::hmiLinesReadBackToTheirBytes()
{
    QByteArray program("\x1b\x08\t\\<A b\xff\x01 ");
    program = program.leftJustified(HmiBlockCodec::kDataBytes, ' ');
    for (const auto kind : {HmiBlockCodec::Kind::Program, HmiBlockCodec::Kind::Registers}) {
        const QByteArray line = HmiBlockCodec::renderLine(kind, 64, program);
        QVERIFY(!line.endsWith(' '));
        const auto decoded = HmiBlockCodec::parseLine(line);
        QVERIFY(decoded);
        QCOMPARE(decoded->address, 64);
        QCOMPARE(decoded->bytes, program);
    }
    QCOMPARE(HmiBlockCodec::renderLine(HmiBlockCodec::Kind::Program, 0,
                                       "\x1b\xff"
                                       "A"),
             QByteArray("  0000  \\e<empty>A"));
    QVERIFY(!HmiBlockCodec::parseLine("'[PROGRAM] "));
}

QTEST_GUILESS_MAIN(TstTransferEngines)
#include "tst_transferengines.moc"
