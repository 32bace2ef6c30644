// Uploads, downloads and verifies as the dialog runs them (TransferJob on a terminal's link) against the
// simulated controller's memory over real kernel ptys and the TCP gateway: round trips, section
// selection, a corrupted HMI block, cancelling, sources that are no listing, a device that vanishes in a
// download or an upload, and the files left behind.

#include "app/scaledclock.h"
#include "filebytes.h"
#include "link/commlink.h"
#include "link/linkfactory.h"
#include "settings/preferences.h"
#include "sim/memoryresponder.h"
#include "sim/simgateway.h"
#include "sim/simpty.h"
#include "transfer/transferjob.h"
#include "transfer/transfersource.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korvo;

namespace {
// A simulated controller with a memory, on a pty or behind the TCP gateway, and a terminal's link to it.
// The simulator answers at once, so the link's clock runs ten times faster (timeScale): the silence that
// ends a reply is 50 ms rather than 500, still far longer than the simulator ever pauses.
struct Bench
{
    Bench(DeviceType device, DeviceMemory memory, bool tcp = false, int timeScale = 10)
        : controller(device), responder(controller, std::move(memory)), pty(controller), gateway(controller),
          clock(systemClock(), timeScale), job(link)
    {
        settings.device = device;
        QString error;
        if (tcp) {
            const bool listening = gateway.listen(QHostAddress::LocalHost, 0, &error);
            settings.tcpipEnabled = true;
            settings.tcpAddress = QStringLiteral("127.0.0.1:%1").arg(gateway.port());
            ok = listening;
        } else {
            ok = pty.open(&error);
            settings.portName = pty.path();
        }
        link.connectComm(true);
        QObject::connect(&link, &CommLink::dataReceived, [this](const QByteArray &d) { shown += d; });
    }
    ~Bench() { link.shutdown(); }

    TransferRequest request(int sections) const
    {
        TransferRequest r;
        r.device = controller.device();
        r.sections = sections;
        r.timing = LinkTiming::fromSettings(settings);
        return r;
    }

    // Starts a job, answering its question with reply as the user would; what it tells or asks is kept in
    // told. False when it did not start.
    bool start(TransferJob::Kind kind, const TransferRequest &r, const TransferJob::Target &target,
               PromptAnswer reply = PromptAnswer::No)
    {
        TransferJob::StartResult started = job.start(kind, r, target);
        if (started.outcome == TransferJob::StartResult::NeedsAnswer) {
            told.append(started.message);
            started = job.answer(reply);
        }
        if (!started.message.text.isEmpty())
            told.append(started.message);
        return started.outcome == TransferJob::StartResult::Started;
    }

    // Runs a job to its end; false when it did not start.
    bool run(TransferJob::Kind kind, const TransferRequest &r, const TransferJob::Target &target,
             PromptAnswer reply = PromptAnswer::No)
    {
        QSignalSpy spy(&job, &TransferJob::ended);
        if (!start(kind, r, target, reply))
            return false;
        if (spy.isEmpty() && !spy.wait(60'000))
            return false;
        endedOk = spy.first().at(0).toBool();
        endMessage = spy.first().at(1).toString();
        return true;
    }

    ControllerSim controller;
    MemoryResponder responder;
    SimPty pty;
    SimGateway gateway;
    bool ok = false;
    CommWindowSettings settings;
    ScaledClock clock;
    CommLink link{settings, clock, systemLinkFactory()};
    TransferJob job;
    QByteArray shown;          // what the terminal screen got
    QList<PromptRequest> told; // what the job's starts told or asked the user
    bool endedOk = false;
    QString endMessage;
};

TransferJob::Target fileTarget(const QString &path)
{
    TransferJob::Target target;
    target.file = true;
    target.fileName = path;
    return target;
}

} // namespace

class TstTransferEndToEnd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void uKorvoRoundTripThroughAFileOverAPty();
    void veltorRoundTripThroughTheEditWindowOverTheGateway();
    void onlyTheRequestedSectionsAreDownloaded();
    void aMissingSectionIsAskedAbout();
    void hmiUploadAsksAgainForACorruptedBlock();
    void aCancelledUploadKeepsThePreviousFileAndWhatWasRead();
    void keysTypedDuringAnUploadAreRefusedAndTheListingHoldsOnlyItsReplies();
    void aDeviceThatVanishesEndsTheDownloadWithTheSystemsReason();
    void aLinkGoneMidUploadKeepsWhatWasReadAndNamesTheReason_data();
    void aLinkGoneMidUploadKeepsWhatWasReadAndNamesTheReason();
    void aFaultyLineEndsEveryJobCompletedOrCleanly_data();
    void aFaultyLineEndsEveryJobCompletedOrCleanly();
    void whatIsNoListingIsRefusedWithItsReasonAndNothingIsSent();
    void otherBytesOfAListingAreSentAsTheyAre();
};

void TstTransferEndToEnd::uKorvoRoundTripThroughAFileOverAPty()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("korvo.kxt"));
    Bench source(UKorvo, DeviceMemory::demo(UKorvo));
    QVERIFY(source.ok);
    QVERIFY(source.run(TransferJob::Kind::Upload, source.request(7), fileTarget(path)));
    QVERIFY2(source.endedOk, qPrintable(source.endMessage));
    const QByteArray listing = fileBytes(path);
    QVERIFY(listing.startsWith("'[VARIABLES]\r\nVAR X = 100\r\n"));
    QVERIFY(listing.contains("'[FLAGS]\r\nFLG HOMED = 1\r\nFLG FAULT = 0\r\n"));
    QVERIFY(listing.endsWith("        PGM\r\n'[END]\r\n"));
    QVERIFY(!QFile::exists(path + QStringLiteral(".incomplete")));
    // The upload's replies are not shown on the terminal.
    QVERIFY(source.shown.isEmpty());

    Bench empty(UKorvo, DeviceMemory(UKorvo));
    QVERIFY(empty.run(TransferJob::Kind::Download, empty.request(0), fileTarget(path)));
    QVERIFY2(empty.endedOk, qPrintable(empty.endMessage));
    // The download's echo is.
    QVERIFY(empty.shown.contains("VAR X = 100\r\n"));
    QSignalSpy verified(&empty.job, &TransferJob::verified);
    QVERIFY(empty.run(TransferJob::Kind::Verify, empty.request(0), fileTarget(path)));
    QCOMPARE(verified.size(), 1);
    QVERIFY(verified.first().first().value<ListingDiff>().identical());
    QVERIFY(source.told.isEmpty() && empty.told.isEmpty());
}

void TstTransferEndToEnd::veltorRoundTripThroughTheEditWindowOverTheGateway()
{
    QTemporaryDir programDir;
    QString editText = QStringLiteral("old text");
    TransferJob::Target edit;
    edit.programDir = programDir.path();
    edit.editText = [&editText] { return editText; };
    edit.clearEdit = [&editText] { editText.clear(); };
    edit.appendEditLine = [&editText](const QString &line) { editText += line + QStringLiteral("\r\n"); };

    Bench source(Veltor, DeviceMemory::demo(Veltor), true);
    QVERIFY(source.ok);
    QVERIFY(source.run(TransferJob::Kind::Upload,
                       source.request(TransferRequest::Variables | TransferRequest::Programs), edit));
    QVERIFY(source.endedOk);
    QVERIFY(editText.startsWith(QStringLiteral("'[VARIABLES]\r\nVA ACCEL = 2000\r\n")));
    QVERIFY(
        editText.contains(QStringLiteral("'[PROGRAMS]\r\n\r\nPG 100  \r\nLB MAIN\r\n100  VA COUNT = 0\r\n")));
    const QString uploaded = editText;

    Bench empty(Veltor, DeviceMemory(Veltor), true);
    QVERIFY(empty.run(TransferJob::Kind::Download, empty.request(0), edit));
    QVERIFY(empty.endedOk);
    // The edit window's text went through the temporary file, which is gone again.
    QVERIFY(!QFile::exists(QDir(programDir.path()).filePath(TransferSource::kTemporaryName)));
    QCOMPARE(editText, uploaded);
    QSignalSpy verified(&empty.job, &TransferJob::verified);
    QVERIFY(empty.run(TransferJob::Kind::Verify, empty.request(0), edit));
    QVERIFY(verified.first().first().value<ListingDiff>().identical());

    // A changed value shows as one differing line.
    editText.replace(QStringLiteral("VA SPEED = 1500"), QStringLiteral("VA SPEED = 1600"));
    QVERIFY(empty.run(TransferJob::Kind::Verify, empty.request(0), edit));
    const ListingDiff diff = verified.last().first().value<ListingDiff>();
    QCOMPARE(diff.rows().size(), 1);
    QCOMPARE(diff.rows().first().left, QStringLiteral("VA SPEED = 1600"));
    QCOMPARE(diff.rows().first().right, QStringLiteral("VA SPEED = 1500"));
}

void TstTransferEndToEnd::onlyTheRequestedSectionsAreDownloaded()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fendra.fxt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        "'[VARIABLES]\r\nVA ACCEL = 2000\r\n\r\n'[PROGRAMS]\r\nPG 100  \r\n100  H\r\n        PG\r\n'[END]\r\n"
        "VA LATE = 1\r\n");
    file.close();
    Bench device(Fendra, DeviceMemory(Fendra));
    QVERIFY(
        device.run(TransferJob::Kind::Download, device.request(TransferRequest::Programs), fileTarget(path)));
    QVERIFY(device.endedOk);
    // Only the lines after the programs header up to "'[END]" reached the device.
    QCOMPARE(device.controller.commands(), (QList<QByteArray>{"PG 100  ", "100  H", "        PG"}));
    QVERIFY(device.responder.memory().variablesReply().isEmpty());
    QCOMPARE(device.responder.memory().programReply(), (QList<QByteArray>{"", "100  H"}));
}

void TstTransferEndToEnd::aMissingSectionIsAskedAbout()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plain.vxt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("VA A = 1\rVA B = 2\r"); // no headers, CR-only line ends
    file.close();
    Bench device(Veltor, DeviceMemory(Veltor));
    const TransferJob::StartResult asked = device.job.start(
        TransferJob::Kind::Download, device.request(TransferRequest::Variables), fileTarget(path));
    QCOMPARE(asked.outcome, TransferJob::StartResult::NeedsAnswer);
    QVERIFY(
        asked.message ==
        (PromptRequest{QStringLiteral("Did not find requested Data Type,\r\nContinue with Download?"),
                       QStringLiteral("Download to Device"), PromptIcon::Exclamation, PromptButtons::YesNo}));
    const TransferJob::StartResult declined = device.job.answer(PromptAnswer::No);
    QCOMPARE(declined.outcome, TransferJob::StartResult::Refused);
    QVERIFY(declined.message.text.isEmpty());
    QVERIFY(device.controller.received().isEmpty());

    QVERIFY(device.run(TransferJob::Kind::Download, device.request(TransferRequest::Variables),
                       fileTarget(path), PromptAnswer::Yes));
    QVERIFY(device.endedOk);
    QCOMPARE(device.responder.memory().variablesReply(), (QList<QByteArray>{"A = G 1", "B = G 2"}));

    // No file name and an empty edit window: the program's messages, nothing sent.
    device.told.clear();
    QVERIFY(!device.start(TransferJob::Kind::Download, device.request(0), fileTarget(QString())));
    TransferJob::Target edit;
    edit.editText = [] { return QString(); };
    QVERIFY(!device.start(TransferJob::Kind::Download, device.request(0), edit));
    QCOMPARE(device.told[0].title, QStringLiteral("File is not valid"));
    QCOMPARE(device.told[1].text, QStringLiteral("The Edit Window does not have any data to Download"));

    // A character the device's code page has no byte for is named, not sent as something else.
    edit.editText = [] { return QStringLiteral("VA \u00e9 = 1\r\nVA B = \U0001F600 \u2192\r\n"); };
    QVERIFY(!device.start(TransferJob::Kind::Download, device.request(0), edit));
    QCOMPARE(
        device.told[2].text,
        QStringLiteral("The Edit Window is not sent.\r\nLine 2 holds \"\U0001F600\" (U+1F600), which the "
                       "device cannot take."));
    QCOMPARE(device.told.size(), 3);
}

void TstTransferEndToEnd::hmiUploadAsksAgainForACorruptedBlock()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hmi.txt"));
    Bench device(Hmi, DeviceMemory::demo(Hmi));
    device.responder.setCorruptHmiBlock(177); // the first parameter block
    QVERIFY(device.run(TransferJob::Kind::Upload, device.request(TransferRequest::Flags), fileTarget(path)));
    QVERIFY(device.endedOk);
    // Erased blocks keep their lines, so the listing covers every address of the range; a file has an
    // empty line after every step.
    QByteArray expected =
        "'[PARAMETERS] \r\n  0000  <05><00><09>" + QByteArray("<empty>").repeated(29) + "\r\n";
    for (int address = 32; address < 512; address += 32)
        expected += "\r\n  " + QByteArray::number(address).rightJustified(4, '0') + "  " +
                    QByteArray("<empty>").repeated(32) + "\r\n";
    expected += "\r\n";
    QCOMPARE(fileBytes(path), expected);
    // 16 blocks and the one asked for again.
    QCOMPARE(device.controller.received().count('\x1b'), 17);
}

void TstTransferEndToEnd::aCancelledUploadKeepsThePreviousFileAndWhatWasRead()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.kxt"));
    QFile previous(path);
    QVERIFY(previous.open(QIODevice::WriteOnly));
    previous.write("previous listing\r\n");
    previous.close();

    Bench device(UKorvo, DeviceMemory::demo(UKorvo), false,
                 1); // at full length, so it is still running when cancelled
    QSignalSpy ended(&device.job, &TransferJob::ended);
    // The file exists: the upload asks before it may replace it, and No sends nothing.
    QVERIFY(!device.start(TransferJob::Kind::Upload, device.request(7), fileTarget(path)));
    QCOMPARE(device.told.last().buttons, PromptButtons::YesNo);
    QVERIFY(device.told.last().text.startsWith(path + QStringLiteral(" already exists.")));
    QVERIFY(device.controller.received().isEmpty());
    QVERIFY(device.start(TransferJob::Kind::Upload, device.request(7), fileTarget(path), PromptAnswer::Yes));
    QTRY_VERIFY(device.job.figures().linesDone >= 2);
    device.job.cancel();
    // The job reads the rest of the answer until the device is silent; the terminal is not shown it.
    QVERIFY(ended.isEmpty());
    QVERIFY(ended.wait(10'000));
    QVERIFY(!ended.first().at(0).toBool());
    QVERIFY(device.shown.isEmpty());
    const QString incomplete = path + QStringLiteral(".incomplete");
    QCOMPARE(ended.first().at(1).toString(),
             QStringLiteral("The rest of the device's answer was read until the device was silent and not "
                            "shown.\r\nThe incomplete upload is kept in ") +
                 incomplete);
    QVERIFY(fileBytes(incomplete).startsWith("'[VARIABLES]\r\nVAR X = 100\r\n"));
    QCOMPARE(fileBytes(path), QByteArray("previous listing\r\n"));
}

void TstTransferEndToEnd::keysTypedDuringAnUploadAreRefusedAndTheListingHoldsOnlyItsReplies()
{
    QTemporaryDir dir;
    const QString untouched = dir.filePath(QStringLiteral("untouched.vxt"));
    const QString typedAt = dir.filePath(QStringLiteral("typed.vxt"));
    Bench reference(Veltor, DeviceMemory::demo(Veltor));
    QVERIFY(reference.run(TransferJob::Kind::Upload, reference.request(TransferRequest::Programs),
                          fileTarget(untouched)));

    Bench device(Veltor, DeviceMemory::demo(Veltor));
    QVERIFY(device.ok);
    QSignalSpy refused(&device.link, &CommLink::inputRefused);
    QSignalSpy ended(&device.job, &TransferJob::ended);
    QVERIFY(device.start(TransferJob::Kind::Upload, device.request(TransferRequest::Programs),
                         fileTarget(typedAt)));
    // A half-typed line, a whole one and a paste: none of it reaches the controller.
    for (const char c : QByteArray("pr al\r"))
        device.link.sendTypedChar(c);
    device.link.sendToComm("pr al\r", true);
    QVERIFY(ended.wait(10'000));
    QVERIFY(ended.first().at(0).toBool());
    QCOMPARE(refused.size(), 7);
    QVERIFY(
        refused.first().first().toString().startsWith(QStringLiteral("Upload is running on this terminal")));
    QCOMPARE(device.controller.commands(), QList<QByteArray>{"l"});
    QCOMPARE(fileBytes(typedAt), fileBytes(untouched));
}

void TstTransferEndToEnd::aDeviceThatVanishesEndsTheDownloadWithTheSystemsReason()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.vxt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 200; ++i)
        file.write("VA N" + QByteArray::number(i) + " = " + QByteArray::number(i) + "\r\n");
    file.close();
    Bench device(Veltor, DeviceMemory(Veltor));
    device.pty.setFaults(LineFaults({.hangupAfter = 300}));
    QVERIFY(device.run(TransferJob::Kind::Download, device.request(0), fileTarget(path)));
    QVERIFY(!device.endedOk);
    QVERIFY(!device.endMessage.isEmpty());
    QVERIFY(device.job.figures().linesDone < 200);
    QVERIFY(!device.job.isRunning());
}

void TstTransferEndToEnd::aLinkGoneMidUploadKeepsWhatWasReadAndNamesTheReason_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::newRow("pty hung up") << false;
    QTest::newRow("socket closed") << true;
}

void TstTransferEndToEnd::aLinkGoneMidUploadKeepsWhatWasReadAndNamesTheReason()
{
    QFETCH(bool, tcp);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone.kxt"));
    Bench device(UKorvo, DeviceMemory::demo(UKorvo), tcp);
    QVERIFY(device.ok);
    // The device goes while the second command reaches it: the variables are in.
    const qint64 dropAfter = qint64(sizeof("print vars\r") - 1) + 4;
    if (tcp)
        device.gateway.setFaults(LineFaults({.hangupAfter = dropAfter}));
    else
        device.pty.setFaults(LineFaults({.hangupAfter = dropAfter}));
    QVERIFY(device.run(TransferJob::Kind::Upload, device.request(7), fileTarget(path)));
    QVERIFY(!device.endedOk);
    const QString incomplete = path + QStringLiteral(".incomplete");
    // One message: the system's reason, then where the upload is kept.
    const QStringList message = device.endMessage.split(QStringLiteral("\r\n"));
    QCOMPARE(message.size(), 2);
    QVERIFY(!message[0].isEmpty());
    QVERIFY(!message[0].contains(QStringLiteral("incomplete")));
    QCOMPARE(message[1], QStringLiteral("The incomplete upload is kept in %1").arg(incomplete));
    QVERIFY(fileBytes(incomplete).startsWith("'[VARIABLES]\r\nVAR X = 100\r\nVAR Y = -25\r\n"));
    QVERIFY(!QFile::exists(path));
    // The line is closed: nothing is left to wake the program up.
    QVERIFY(!device.link.isConnected());
    QVERIFY(!device.job.isRunning());
    QVERIFY(device.told.isEmpty());
}

void TstTransferEndToEnd::aFaultyLineEndsEveryJobCompletedOrCleanly_data()
{
    QTest::addColumn<TransferJob::Kind>("kind");
    QTest::addColumn<QString>("rates"); // korvo-sim's --line-faults
    QTest::addColumn<int>("stall");     // after this many bytes to the device; -1: never
    QTest::addColumn<int>("reset");
    QTest::addColumn<int>("hangup");
    QTest::addColumn<bool>("readTwice");
    // What the message starts with; empty: the job completes; "+": it completes as far as the device's
    // silence lets it and tells why.
    QTest::addColumn<QString>("failure");
    using K = TransferJob::Kind;
    const QString noEcho = QStringLiteral("+VARIABLES: no answer to \"pr al\" (asked 4 times)");
    // Upload: a damaged command, or a "?" to one, is asked again; a damaged reply is read until two readings
    // in a row agree; a device gone silent is asked four times, and its listing holds the headers.
    QTest::newRow("upload, clean line") << K::Upload << "" << -1 << -1 << -1 << false << "";
    QTest::newRow("upload, echo corrupt")
        << K::Upload << "corrupt=0.01,seed=1092" << -1 << -1 << -1 << false << "";
    QTest::newRow("upload, drop, read twice")
        << K::Upload << "drop=0.002,seed=7" << -1 << -1 << -1 << true << "";
    QTest::newRow("upload, dup, never agree") << K::Upload << "dup=0.01,seed=1" << -1 << -1 << -1 << true
                                              << "VARIABLES: 5 readings, never 2 in a row alike; line 2 read";
    QTest::newRow("upload, stall") << K::Upload << "" << 4 << -1 << -1 << false << noEcho;
    QTest::newRow("upload, reset") << K::Upload << "" << -1 << 3 << -1 << false << "";
    QTest::newRow("upload, hangup") << K::Upload << "" << -1 << -1 << 7 << false << "*";
    // Download: a line echoed otherwise or refused ends the job naming it.
    QTest::newRow("download, clean line") << K::Download << "" << -1 << -1 << -1 << false << "";
    QTest::newRow("download, corrupt")
        << K::Download << "corrupt=0.01,seed=3" << -1 << -1 << -1 << false
        << "The echo of line 2 (\"VA SPEED = 71500\") came back as \">VQ SPEED = 71500\"";
    QTest::newRow("download, drop") << K::Download << "drop=0.01,seed=3" << -1 << -1 << -1 << false
                                    << "The echo of line 2 (\"VA SPEED = 71500\") came back as \">V SPEED";
    QTest::newRow("download, dup") << K::Download << "dup=0.01,seed=2" << -1 << -1 << -1 << false
                                   << "The echo of line 7 (\"LB MAIN\") came back as \">LB MMAIN\"";
    QTest::newRow("download, stall") << K::Download << "" << 40 << -1 << -1 << false
                                     << "No echo of line 3 (\"VA COUNT = 70\") within 2 s";
    QTest::newRow("download, reset") << K::Download << "" << -1 << 40 << -1 << false
                                     << "The device answered \"?\" to line 3 (\"VA COUNT = 70\")";
    // A power cycle ends program entry: the rest of a program line cut by one is refused, not stored.
    QTest::newRow("download, reset in the program")
        << K::Download << "" << -1 << 120 << -1 << false
        << "The device answered \"?\" to line 12 (\"104  BR MAIN\")";
    QTest::newRow("download, hangup") << K::Download << "" << -1 << -1 << 40 << false << "*";
    // Verify reads as the upload does.
    QTest::newRow("verify, clean line") << K::Verify << "" << -1 << -1 << -1 << false << "";
    QTest::newRow("verify, corrupt, read twice")
        << K::Verify << "corrupt=0.002,seed=7" << -1 << -1 << -1 << true << "";
    QTest::newRow("verify, stall") << K::Verify << "" << 4 << -1 << -1 << false << noEcho;
    QTest::newRow("verify, hangup") << K::Verify << "" << -1 << -1 << 7 << false << "*";
}

// Every job on a faulty line (the simulator's seeded faults) completes with the right result, or fails
// with one message naming what went wrong ("*": the system's reason for a line gone), keeping what an
// upload had read; none hangs.
void TstTransferEndToEnd::aFaultyLineEndsEveryJobCompletedOrCleanly()
{
    QFETCH(TransferJob::Kind, kind);
    QFETCH(QString, rates);
    QFETCH(int, stall);
    QFETCH(int, reset);
    QFETCH(int, hangup);
    QFETCH(bool, readTwice);
    QFETCH(QString, failure);
    QTemporaryDir dir;
    const int sections = TransferRequest::Variables | TransferRequest::Programs;
    // The device's listing, read over a perfect line; a download sends one with other values.
    const QString clean = dir.filePath(QStringLiteral("clean.vxt"));
    Bench reference(Veltor, DeviceMemory::demo(Veltor));
    QVERIFY(reference.run(TransferJob::Kind::Upload, reference.request(sections), fileTarget(clean)));
    QVERIFY(reference.endedOk);
    const QString changed = dir.filePath(QStringLiteral("changed.vxt"));
    QByteArray listing = fileBytes(clean);
    listing.replace("= ", "= 7").replace("MR 4000", "MR 40001");
    QFile file(changed);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(listing) == listing.size());
    file.close();

    Bench device(Veltor, DeviceMemory::demo(Veltor));
    QVERIFY(device.ok);
    LineFaults::Settings faults;
    QString error;
    QVERIFY2(LineFaults::parseRates(rates, &faults, &error), qPrintable(error));
    faults.stallAfter = stall;
    faults.resetAfter = reset;
    faults.hangupAfter = hangup;
    device.pty.setFaults(LineFaults(faults));
    TransferRequest request = device.request(sections);
    request.readings = readTwice ? 2 : 1;
    request.echoTimeoutMs = 2000;
    const QString path = kind == TransferJob::Kind::Upload     ? dir.filePath(QStringLiteral("up.vxt"))
                         : kind == TransferJob::Kind::Download ? changed
                                                               : clean;
    QSignalSpy verified(&device.job, &TransferJob::verified);
    QVERIFY(device.run(kind, request, fileTarget(path)));
    QVERIFY(!device.job.isRunning());
    QVERIFY(device.told.isEmpty());
    if (failure.startsWith(u'+')) {
        QVERIFY2(device.endedOk, qPrintable(device.endMessage));
        QVERIFY2(device.endMessage.startsWith(failure.mid(1)), qPrintable(device.endMessage));
        if (kind == TransferJob::Kind::Upload) {
            QVERIFY(fileBytes(path).startsWith("'[VARIABLES]\r\n"));
            QVERIFY(!fileBytes(path).contains("VA "));
        } else {
            QCOMPARE(verified.size(), 1);
            QVERIFY(!verified.first().first().value<ListingDiff>().identical());
        }
        return;
    }
    if (!failure.isEmpty()) {
        QVERIFY(!device.endedOk);
        const QString reason = device.endMessage.section(QStringLiteral("\r\n"), 0, 0);
        QVERIFY2(failure == u'*' ? !reason.isEmpty() : reason.startsWith(failure),
                 qPrintable(device.endMessage));
        QVERIFY(verified.isEmpty());
        if (kind == TransferJob::Kind::Upload) {
            QVERIFY(!QFile::exists(path));
            QVERIFY(device.endMessage.endsWith(QStringLiteral("The incomplete upload is kept in ") + path +
                                               QStringLiteral(".incomplete")));
        }
        return;
    }
    QVERIFY2(device.endedOk, qPrintable(device.endMessage));
    switch (kind) {
    case TransferJob::Kind::Upload:
        QCOMPARE(fileBytes(path), fileBytes(clean));
        break;
    case TransferJob::Kind::Verify:
        QCOMPARE(verified.size(), 1);
        QVERIFY(verified.first().first().value<ListingDiff>().identical());
        break;
    case TransferJob::Kind::Download: {
        // What the device holds, read back over the mended line.
        device.pty.setFaults(LineFaults());
        const QString back = dir.filePath(QStringLiteral("back.vxt"));
        QVERIFY(device.run(TransferJob::Kind::Upload, device.request(sections), fileTarget(back)));
        QCOMPARE(fileBytes(back), listing);
        break;
    }
    }
}

void TstTransferEndToEnd::whatIsNoListingIsRefusedWithItsReasonAndNothingIsSent()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
    };
    const QString nul = write(QStringLiteral("nul.vxt"), QByteArray("VA A = 1\r\nVA B\0 = 2\r\n", 20));
    const QString longLine = write(QStringLiteral("long.vxt"), QByteArray(5000, 'A'));
    QVERIFY(!nul.isEmpty() && !longLine.isEmpty());
    const QString missing = dir.filePath(QStringLiteral("none.vxt"));

    Bench device(Veltor, DeviceMemory(Veltor));
    QVERIFY(device.ok);
    // A missing file, a folder, a NUL byte and a line no listing has: each one message naming why.
    for (const QString &source : {missing, dir.path(), nul, longLine})
        QVERIFY(!device.start(TransferJob::Kind::Download, device.request(0), fileTarget(source)));
    // An upload without a destination name, or into a folder that is not there.
    QVERIFY(!device.start(TransferJob::Kind::Upload, device.request(0), fileTarget(QString())));
    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/up.vxt"));
    QVERIFY(!device.start(TransferJob::Kind::Upload, device.request(0), fileTarget(nowhere)));

    const QList<PromptRequest> &asked = device.told;
    QCOMPARE(asked.size(), 6);
    QVERIFY(asked[0].text.startsWith(QStringLiteral("File doesn't exist\r\n%1: ").arg(missing)));
    QVERIFY(asked[1].text.startsWith(QStringLiteral("File doesn't exist\r\n%1: ").arg(dir.path())));
    for (int i : {0, 1}) {
        QCOMPARE(asked[i].title, QStringLiteral("Download to Device"));
        // The system's reason follows the name.
        QVERIFY(asked[i].text.size() > asked[i].text.indexOf(QStringLiteral(": ")) + 2);
    }
    QCOMPARE(asked[2].text,
             nul + QStringLiteral(" is not sent.\r\nIt holds a NUL byte (line 2): it is not a listing."));
    QCOMPARE(asked[3].text,
             longLine + QStringLiteral(" is not sent.\r\nLine 1 is longer than 4096 characters: "
                                       "it is not a listing."));
    QCOMPARE(asked[4].text, QStringLiteral("The specified file, , does not exist."));
    QCOMPARE(asked[4].title, QStringLiteral("File doesn't exist"));
    QCOMPARE(
        asked[5].text,
        QStringLiteral("The folder %1 does not exist.").arg(dir.filePath(QStringLiteral("no/such/folder"))));
    // Nothing reached the device: the first bytes it gets are those of the next good listing.
    QVERIFY(!device.job.isRunning());
    QVERIFY(!device.link.hasEngine());
    const QString good = write(QStringLiteral("good.vxt"), "VA A = 1\r\n");
    QVERIFY(device.run(TransferJob::Kind::Download, device.request(0), fileTarget(good)));
    QVERIFY(device.endedOk);
    QCOMPARE(device.controller.received(), QByteArray("VA A = 1\r"));
}

void TstTransferEndToEnd::otherBytesOfAListingAreSentAsTheyAre()
{
    // Control characters and Windows-1252 letters are the device's business; a lone CR ends a line.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bytes.vxt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("VA \xe9T\xc9 = 1\r\x01\x7f\x1b\r\nVA Z = 2");
    file.close();
    Bench device(Veltor, DeviceMemory(Veltor));
    QVERIFY(device.run(TransferJob::Kind::Download, device.request(0), fileTarget(path)));
    QVERIFY2(device.endedOk, qPrintable(device.endMessage));
    QCOMPARE(device.controller.received(), QByteArray("VA \xe9T\xc9 = 1\r\x01\x7f\x1b\rVA Z = 2\r"));
    QCOMPARE(device.responder.memory().variablesReply(), (QList<QByteArray>{"\xe9T\xc9 = G 1", "Z = G 2"}));
}

QTEST_GUILESS_MAIN(TstTransferEndToEnd)
#include "tst_transfer_e2e.moc"
