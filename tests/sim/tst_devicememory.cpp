// The simulated device memory against the real upload and download engines, in-process and in virtual
// time: every device type uploads its contents, takes them back into an empty device, and uploads the same
// listing again.

#include "sim/memoryresponder.h"
#include "sim/outputpacer.h"
#include "transfer/downloadengine.h"
#include "transfer/listingreader.h"
#include "transfer/uploadengine.h"

#include <QElapsedTimer>

#include <QtTest>

using namespace korvo;

namespace {
// Runs one engine against one simulated controller until it ends; the controller's answers arrive in
// pieces of three bytes.
QStringList run(DeviceEngine &engine, ControllerSim &sim)
{
    QStringList lines;
    qint64 now = 0;
    engine.start(now);
    for (int step = 0; step < 100'000 && !engine.isFinished(); ++step) {
        for (const LinkAction &action : engine.takeOutput())
            sim.receive(action.bytes);
        const QByteArray answer = sim.takeOutput();
        for (qsizetype at = 0; at < answer.size(); at += 3) {
            now += 1;
            engine.bytesReceived(answer.mid(at, 3), now);
        }
        if (answer.isEmpty() && engine.takeOutput().empty()) {
            if (!engine.nextDeadline())
                break;
            now = *engine.nextDeadline();
            engine.timerFired(now);
        }
        for (const EngineEvent &event : engine.takeEvents())
            if (const auto *line = event.as<EngineEvent::Line>())
                lines.append(line->text);
    }
    for (const EngineEvent &event : engine.takeEvents())
        if (const auto *line = event.as<EngineEvent::Line>())
            lines.append(line->text);
    return lines;
}

QStringList upload(DeviceType device, DeviceMemory memory, int sections = 7, int corruptBlock = 0)
{
    ControllerSim sim(device);
    MemoryResponder responder(sim, std::move(memory));
    responder.setCorruptHmiBlock(corruptBlock);
    TransferRequest request;
    request.device = device;
    request.sections = sections;
    UploadEngine engine(request);
    const QStringList lines = run(engine, sim);
    if (!engine.isFinished())
        return {QStringLiteral("did not finish")};
    return lines;
}
} // namespace

class TstDeviceMemory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void uploadDownloadUploadGivesTheSameListing_data();
    void uploadDownloadUploadGivesTheSameListing();
    void hmiBlocksComeBackThroughACorruptedRead();
    void anEmptyDeviceListsOnlyItsHeaders();
    void theWireRateHoldsEveryByteForItsTenBitTimes();
};

void TstDeviceMemory::uploadDownloadUploadGivesTheSameListing_data()
{
    QTest::addColumn<DeviceType>("device");
    QTest::addColumn<int>("sections");
    for (const DeviceType device : {UKorvo, Q926, Veltor, Fendra, Norbel})
        QTest::newRow(qPrintable(QString::number(device))) << device << 7;
    // A 926Q with nothing ticked: its non-volatile memory, every cell of it.
    QTest::newRow("2, NVM") << Q926 << 0;
}

void TstDeviceMemory::uploadDownloadUploadGivesTheSameListing()
{
    QFETCH(DeviceType, device);
    QFETCH(int, sections);
    const QStringList first = upload(device, DeviceMemory::demo(device), sections);
    QVERIFY(first.size() > 6);

    ControllerSim sim(device);
    MemoryResponder responder(sim, DeviceMemory(device));
    QList<QByteArray> lines;
    for (const QString &line : first)
        lines.append(line.toLatin1());
    TransferRequest request;
    request.device = device;
    DownloadEngine download(lines, request);
    run(download, sim);
    QVERIFY(download.isFinished() && !download.hasFailed());

    const QStringList second = upload(device, responder.memory(), sections);
    QCOMPARE(second, first);
    if (sections == 0) {
        // The tail block reaches the cells beyond every section, and the memory loaded from the
        // non-volatile blocks alone gives every section back.
        const qsizetype tail = first.indexOf(QStringLiteral("'[NVM (2000-2047)]"));
        QVERIFY(tail > 0);
        QCOMPARE(first.mid(tail + 1), (QStringList{"2019: 1", "2030: 25", "2047: 9"}));
        QVERIFY(first.contains(QStringLiteral("'[NVM (1700-1799)]")));
        QCOMPARE(upload(device, responder.memory(), 7), upload(device, DeviceMemory::demo(device), 7));
    }
}

void TstDeviceMemory::hmiBlocksComeBackThroughACorruptedRead()
{
    const QStringList clean = upload(Hmi, DeviceMemory::demo(Hmi), 7);
    QCOMPARE(clean.first(), QStringLiteral("'[REGISTERS] "));
    QVERIFY(clean.contains(QStringLiteral("'[PROGRAM] ")));
    QVERIFY(clean.contains(QStringLiteral("  0064  HOME ") + QStringLiteral("<empty>").repeated(27)));
    // Register block 129 (address 4096) fails its check once; the listing is the same.
    QCOMPARE(upload(Hmi, DeviceMemory::demo(Hmi), 7, 129), clean);

    // The listing loads back into an empty device.
    DeviceMemory loaded(Hmi);
    for (const QString &line : clean)
        loaded.apply(line.toLatin1());
    QCOMPARE(upload(Hmi, loaded, 7), clean);
}

void TstDeviceMemory::anEmptyDeviceListsOnlyItsHeaders()
{
    QCOMPARE(upload(UKorvo, DeviceMemory(UKorvo)),
             (QStringList{"'[VARIABLES]", "", "'[FLAGS]", "", "'[PROGRAMS]", "        PGM", "'[END]"}));
    QCOMPARE(upload(Veltor, DeviceMemory(Veltor), TransferRequest::Programs),
             (QStringList{"'[PROGRAMS]", "", "        PG", "'[END]"}));
}

void TstDeviceMemory::theWireRateHoldsEveryByteForItsTenBitTimes()
{
    QByteArray written;
    QElapsedTimer clock;
    qint64 firstMs = -1;
    OutputPacer pacer([&](const QByteArray &bytes) {
        if (firstMs < 0)
            firstMs = clock.elapsed();
        written += bytes;
    });
    pacer.setWireRate(9600); // 960 bytes a second
    clock.start();
    pacer.send(QByteArray(48, 'a'));
    pacer.send(QByteArray(48, 'b'));
    QVERIFY(written.isEmpty()); // not even the first byte is through yet
    QTRY_COMPARE_WITH_TIMEOUT(written.size(), 96, 10'000);
    // However slow the machine, the line is never faster than its rate.
    QVERIFY(clock.elapsed() >= 99);
    QVERIFY(firstMs >= 1);
    QCOMPARE(written, QByteArray(48, 'a') + QByteArray(48, 'b'));
}

QTEST_GUILESS_MAIN(TstDeviceMemory)
#include "tst_devicememory.moc"
