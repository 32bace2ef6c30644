// Upgrade files and identities: the scan's totals and identity records, the version decodings, the
// accept/refuse rules and the identity-area rewrite, with the exact edge cases the format fixes.

#include "upgrade/upgradecheck.h"
#include "upgrade/upgradefile.h"
#include "upgrade/upgradeplan.h"
#include "upgradefiles.h"

#include <QtTest>

using namespace korvo;

namespace {
QByteArray record(int type, int address, const QByteArray &data)
{
    return hexRecord(type, address, data);
}
} // namespace

class TstUpgradeFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aUKorvoSkipsTheLowerHalfOfTheLowerBankAVeltorCountsEverything();
    void theScanAndTheTransferReadTheBankDigitDifferently();
    void orvBrelVersionAndKindRecordsTheLaterVersionWinning();
    void uKorvoVersionRecordGivesCoreAndFirmwareVersions();
    void hostileFilesAreRefusedNamingTheLine_data();
    void hostileFilesAreRefusedNamingTheLine();
    void lineEndsMayBeCrLfOrCrOnly();
    void versionTextsFromRawBytesAndHexFields();
    void singlePrecisionDecoding_data();
    void singlePrecisionDecoding();
    void orvBrelRule_data();
    void orvBrelRule();
    void uKorvoCoreMustMatchAndAnErasedOneNeverDoes();
    void serialReplySplitsByTheControllersVersion();
    void identityAreaAndTheRewrittenRecords();
    void thePlanSendsWhatTheProcedureSendsAndReportsIt();
};

void TstUpgradeFile::aUKorvoSkipsTheLowerHalfOfTheLowerBankAVeltorCountsEverything()
{
    const QByteArray lowOnly = record(0, 0x0000, QByteArray(16, 'a')) + "\r\n" +
                               record(0, 0x7FF0, QByteArray(16, 'b')) + "\r\n" + kEndRecord + "\r\n";
    const UpgradeScan uKorvo = scanUpgradeText(lowOnly, UKorvo);
    QVERIFY(uKorvo.valid);
    QCOMPARE(uKorvo.totalBytes, 0);
    QVERIFY(!scanProblem(uKorvo, UKorvo).isEmpty()); // nothing to send is said, not silently accepted
    const UpgradeScan veltor = scanUpgradeText(lowOnly, Veltor);
    QCOMPARE(veltor.totalBytes, 32);
    QCOMPARE(veltor.records.size(), 3);

    const QByteArray mixed = lowOnly + record(0, 0x8000, QByteArray(8, 'c')) + "\n" +
                             QByteArray(kUpperBankRecord) + "\n" + record(0, 0x0010, QByteArray(4, 'd'));
    QCOMPARE(scanUpgradeText(mixed, UKorvo).totalBytes, 12);
}

void TstUpgradeFile::theScanAndTheTransferReadTheBankDigitDifferently()
{
    const QByteArray text =
        QByteArray(":020000022000DC\r\n") + record(0, 0x0100, "abcd") + "\r\n" + kEndRecord;
    // The scan: segment 2000 is not "1", so lower bank, below 8000: not counted for a uKorvo.
    QCOMPARE(scanUpgradeText(text, UKorvo).totalBytes, 0);
    // The transfer: anything but "0" is the upper bank, so the record is sent.
    const UpgradePlan plan = planUpgrade(scanUpgradeText(text, UKorvo), UKorvo);
    QCOMPARE(plan.dataRecords, 1);
    QVERIFY(plan.records.back().upper);
    QVERIFY(plan.endReached);
    // A uKorvo never sends the end record; an Orv/Brel controller does.
    QVERIFY(!plan.records.back().endRecord);
    QVERIFY(planUpgrade(scanUpgradeText(text, Veltor), Veltor).records.back().endRecord);
}

void TstUpgradeFile::orvBrelVersionAndKindRecordsTheLaterVersionWinning()
{
    const QByteArray text = record(0, 0x7770, QByteArray::fromHex("03000500")) + "\n" + kUpperBankRecord +
                            "\n" + record(0, 0xFF70, QByteArray("I\0\0\0\0\0", 6)) + "\n" +
                            record(0, 0xFF60, QByteArray::fromHex("03007800")) + "\n" +
                            // FF60 in the lower bank is not a version record
                            kLowerBankRecord + "\n" + record(0, 0xFF60, QByteArray::fromHex("09000900")) +
                            "\n";
    const UpgradeScan scan = scanUpgradeText(text, Fendra);
    QCOMPARE(scan.versionText, QStringLiteral("3.120"));
    QCOMPARE(scan.versionNumber, 3.12);
    QCOMPARE(scan.kindLetter, QChar(u'I'));
    // Other device types only count.
    const UpgradeScan hmi = scanUpgradeText(text, Hmi);
    QVERIFY(hmi.versionText.isEmpty());
    QVERIFY(hmi.valid);
}

void TstUpgradeFile::uKorvoVersionRecordGivesCoreAndFirmwareVersions()
{
    QByteArray data = QByteArray::fromHex("0000803F") + QByteArray::fromHex("00002040") + QByteArray(16, ' ');
    const QByteArray text =
        QByteArray(kUpperBankRecord) + "\n" + record(0, 0xFFE4, data) + "\n" + kEndRecord + "\n";
    const UpgradeScan scan = scanUpgradeText(text, UKorvo);
    QCOMPARE(scan.coreVersionText, QStringLiteral("1.000"));
    QCOMPARE(scan.versionText, QStringLiteral("2.500"));
    QVERIFY(scanProblem(scan, UKorvo).isEmpty());
}

void TstUpgradeFile::hostileFilesAreRefusedNamingTheLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("says"); // empty: the file is sound
    const QByteArray data = record(0, 0x0000, patternBytes(1, 16)) + "\r\n";
    const QByteArray head = QByteArray(kLowerBankRecord) + "\r\n" + data; // lines 1 and 2
    const QByteArray end = QByteArray(kEndRecord) + "\r\n";
    QByteArray typeChanged = data;
    typeChanged[8] = '1';
    QByteArray badChecksum = data;
    badChecksum[data.size() - 3] = badChecksum.at(data.size() - 3) == '0' ? '1' : '0';
    QTest::newRow("no records") << QByteArray("hello\nworld\n") << QStringLiteral("no records");
    QTest::newRow("no data records") << end << QStringLiteral("no data records");
    QTest::newRow("type 00 changed to 01")
        << head + typeChanged + data + end << QStringLiteral("Line 3: the checksum is");
    QTest::newRow("bad checksum") << head + badChecksum + end << QStringLiteral("Line 3: the checksum is");
    QTest::newRow("end record in the middle")
        << head + end + data + end << QStringLiteral("Line 4: a record after the end record of line 3");
    QTest::newRow("end record with data")
        << head + record(1, 0, "ab") + "\r\n" + end
        << QStringLiteral("Line 3: an end record (type 01) with data bytes");
    QTest::newRow("type 03") << head + record(3, 0, "abcd") + "\r\n" + end
                             << QStringLiteral("Line 3: record type 03 is not one the upgrade sends");
    QTest::newRow("non-hex type") << head + ":1000000G" + data.mid(9) + end
                                  << QStringLiteral("Line 3: character 9 (\"G\") is not a hex digit");
    QTest::newRow("control character")
        << head + data.left(20) + '\x01' + data.mid(21) + end
        << QStringLiteral("Line 3: character 21 (\"\\x01\") is not a hex digit");
    QTest::newRow("count of 00") << head + record(0, 0x0100, {}) + "\r\n" + end
                                 << QStringLiteral("Line 3: a data record (type 00) with no data bytes");
    QTest::newRow("short record") << head + data.left(15) + "\r\n" + end
                                  << QStringLiteral(
                                         "Line 3: the count says 16 data bytes, the record holds 2");
    QTest::newRow("long record") << head + record(0, 0, "abcd").insert(3, "02").remove(1, 2) + "\r\n" + end
                                 << QStringLiteral("the count says 2 data bytes, the record holds 4");
    QTest::newRow("record mark only")
        << head + ":\r\n" + end << QStringLiteral("Line 3: the record is too short");
    QTest::newRow("bank select of 1 byte") << head + record(2, 0, "\x10") + "\r\n" + end
                                           << QStringLiteral("bank select (type 02) needs 2 data bytes");
    QTest::newRow("linear address above 64 KiB")
        << record(4, 0, QByteArray::fromHex("0001")) + "\r\n" + data + end
        << QStringLiteral("Line 1: an extended linear address (type 04)");
    QTest::newRow("linear address 0000 in the upper bank")
        << QByteArray(kUpperBankRecord) + "\n" + record(4, 0, QByteArray(2, '\0')) + "\n" + data + end
        << QStringLiteral("Line 2: an extended linear address");
    QTest::newRow("no end record") << head << QStringLiteral("ends without an end record");
    // Lines that are not records are skipped but counted, whatever their line ends.
    QTest::newRow("line numbers count every line")
        << QByteArray("comment\r\n\r\n\n\r") + badChecksum + end << QStringLiteral("Line 5: the checksum");
    QTest::newRow("eight megabytes of one line")
        << ':' + QByteArray(8 << 20, 'F') << QStringLiteral("Line 1: the count says 255 data bytes");
    QTest::newRow("sound, with linear address 0000 in the lower bank")
        << record(4, 0, QByteArray(2, '\0')) + "\r\n" + head + "\r\n" + end << QString();
}

void TstUpgradeFile::hostileFilesAreRefusedNamingTheLine()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, says);
    for (const DeviceType device : {Veltor, UKorvo}) {
        const UpgradeScan scan = scanUpgradeText(text, device);
        QCOMPARE(scan.refused(), !says.isEmpty());
        if (!says.isEmpty())
            QVERIFY2(scanProblem(scan, device).contains(says), qPrintable(scanProblem(scan, device)));
    }
}

void TstUpgradeFile::lineEndsMayBeCrLfOrCrOnly()
{
    const QByteArray body = record(0, 0, "ab");
    for (const char *end : {"\r\n", "\r", "\n"}) {
        const UpgradeScan scan = scanUpgradeText(body + end + body + end + kEndRecord + end, Veltor);
        QCOMPARE(scan.records.size(), 3);
        QCOMPARE(scan.records.first(), body);
        QCOMPARE(scan.totalBytes, 4);
    }
}

void TstUpgradeFile::versionTextsFromRawBytesAndHexFields()
{
    QCOMPARE(versionTextFromRaw(QByteArray::fromHex("03000500")), QStringLiteral("3.005"));
    QCOMPARE(versionTextFromRaw(QByteArray::fromHex("FF000000")), QString());
    QCOMPARE(versionTextFromRaw(QByteArray::fromHex("03007800")), QStringLiteral("3.120"));
    QCOMPARE(versionTextFromRaw(QByteArray::fromHex("85030100")), QStringLiteral("901.001"));
    QCOMPARE(firmwareVersionText(2, 9), QStringLiteral("2.009"));
    QCOMPARE(versionNumber(QStringLiteral("901.001")), 901.001);
    QCOMPARE(versionNumber(QString()), 0.0);
}

void TstUpgradeFile::singlePrecisionDecoding_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.0") << QByteArray::fromHex("0000803F") << QStringLiteral("1.000");
    QTest::newRow("2.5") << QByteArray::fromHex("00002040") << QStringLiteral("2.500");
    QTest::newRow("3.25") << QByteArray::fromHex("00005040") << QStringLiteral("3.250");
    QTest::newRow("negative") << QByteArray::fromHex("000080BF") << QStringLiteral("-1.000");
    QTest::newRow("zero keeps the pattern") << QByteArray::fromHex("00000000") << QStringLiteral("0.000");
    QTest::newRow("erased") << QByteArray::fromHex("FFFFFFFF") << QString();
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("short: zeros at the end") << QByteArray::fromHex("0000") << QStringLiteral("0.000");
}

void TstUpgradeFile::singlePrecisionDecoding()
{
    QFETCH(QByteArray, raw);
    QFETCH(QString, text);
    QCOMPARE(singleTextFromRaw(raw), text);
    if (raw != QByteArray::fromHex("FFFFFFFF")) // the erased test applies to raw bytes only
        QCOMPARE(singleTextFromHex(QString::fromLatin1(raw.toHex())), text);
}

void TstUpgradeFile::orvBrelRule_data()
{
    QTest::addColumn<double>("core");
    QTest::addColumn<double>("file");
    QTest::addColumn<QChar>("kind");
    QTest::addColumn<QString>("needed"); // empty: accepted
    QTest::newRow("2.9 / 901") << 2.9 << 901.0 << QChar() << QString();
    QTest::newRow("2.9 / 900.4") << 2.9 << 900.4 << QChar() << QString();
    QTest::newRow("2.9 / 2.5") << 2.9 << 2.5 << QChar() << QString();
    QTest::newRow("2.9 / 3.2") << 2.9 << 3.2 << QChar(u'I') << QStringLiteral("    Orv upgrade needed.");
    QTest::newRow("901.5 / 3.2") << 901.5 << 3.2 << QChar(u'I') << QStringLiteral("    Orv upgrade needed.");
    QTest::newRow("3.2 / 3.2 I") << 3.2 << 3.2 << QChar(u'I') << QString();
    QTest::newRow("3.2 / 3.2 J") << 3.2 << 3.2 << QChar(u'J')
                                 << QStringLiteral("    Orv Plus upgrade needed.");
    QTest::newRow("3.2 / 902") << 3.2 << 902.0 << QChar(u'I')
                               << QStringLiteral("    Orv Plus upgrade needed.");
    QTest::newRow("3.2 / 2.9") << 3.2 << 2.9 << QChar(u'I') << QStringLiteral("    Orv Plus upgrade needed.");
}

void TstUpgradeFile::orvBrelRule()
{
    QFETCH(double, core);
    QFETCH(double, file);
    QFETCH(QChar, kind);
    QFETCH(QString, needed);
    const UpgradeCheck check = checkOrvBrelFile(core, file, kind);
    QCOMPARE(check.accepted, needed.isEmpty());
    if (!needed.isEmpty())
        QCOMPARE(check.message,
                 QStringLiteral(" Illegal Upgrade File!\r\n") + needed +
                     QStringLiteral("\r\n Please Select Another Upgrade File (Previous) or CANCEL"));
}

void TstUpgradeFile::uKorvoCoreMustMatchAndAnErasedOneNeverDoes()
{
    QVERIFY(checkUKorvoCore(QStringLiteral("1.000"), QStringLiteral("1.000")).accepted);
    const UpgradeCheck other = checkUKorvoCore(QStringLiteral("1.500"), QStringLiteral("1.000"));
    QVERIFY(!other.accepted);
    QCOMPARE(other.message, QStringLiteral("  The CORE Version Numbers DO NOT Match,\r\n  Contact Factory\r\n"
                                           "     UPGRADE Will ABORT!\r\n     Press CANCEL"));
    const UpgradeCheck erased = checkUKorvoCore(QString(), QStringLiteral("1.000"));
    QVERIFY(!erased.accepted);
    QCOMPARE(erased.message, other.message);
    QCOMPARE(coreVersionsText(QString(), QStringLiteral("1.000")),
             QStringLiteral("Controller core: (erased)    File core: 1.000"));
    // Compared as texts: an erased controller and a file without a core version are alike.
    QVERIFY(checkUKorvoCore(QString(), QString()).accepted);
    // Which controllers are asked for their product text: 3.0 up, but not the 900/901 line.
    QVERIFY(asksProductText(3.0));
    QVERIFY(!asksProductText(2.99));
    QVERIFY(!asksProductText(900.5)); // rounds to 900
    QVERIFY(asksProductText(901.5));  // rounds to 902 (halves to even)
    QVERIFY(!isPlusController(901.5));
}

void TstUpgradeFile::serialReplySplitsByTheControllersVersion()
{
    const QString filtered = printableFilter("\r\n  ABCDE     12345\x01\r\n");
    QCOMPARE(filtered, QStringLiteral("ABCDE     12345"));
    const SerialAndType old = splitSerialReply(filtered, false);
    QCOMPARE(old.serial, QStringLiteral("ABCDE"));
    QCOMPARE(old.type, QStringLiteral("12345"));
    const SerialAndType plus = splitSerialReply(filtered, true);
    QCOMPARE(plus.serial, filtered);
    QVERIFY(plus.type.isEmpty());
    QCOMPARE(printableFilter("a\tb\x7f\xff"), QStringLiteral("a b"));
}

void TstUpgradeFile::identityAreaAndTheRewrittenRecords()
{
    const QByteArray area = identityAreaHex(QStringLiteral("SN1"), QStringLiteral("T9")).value();
    QCOMPARE(area, QByteArray("534E31" + QByteArray("20").repeated(10) + "5439" + "00"));
    QCOMPARE(area.size(), 32);
    QVERIFY(identityAreaHex(QStringLiteral("1234567890"), QStringLiteral("123456")) == std::nullopt);
    QVERIFY(identityAreaHex(QStringLiteral("1234567890"), QStringLiteral("12345")).has_value());

    // The identity record's checksum over count, address, type and the 15 bytes.
    const QByteArray identity = identityRecord(area);
    QCOMPARE(identity.left(9), QByteArray(":0FFFEC00"));
    QCOMPARE(identity.size(), 9 + 32);
    int sum = 0;
    for (int i = 1; i < identity.size(); i += 2)
        sum += identity.mid(i, 2).toInt(nullptr, 16);
    QCOMPARE(sum & 0xFF, 0);

    const QByteArray original =
        record(0, 0xFFE4, QByteArray::fromHex("0000803F00002040") + QByteArray(16, 'x'));
    const QByteArray rewritten = rewriteVersionRecord(original, area);
    QCOMPARE(rewritten.size(), original.size());
    QCOMPARE(rewritten.left(25), original.left(25));
    QCOMPARE(rewritten.mid(25, 32), area);
    QCOMPARE(rewritten,
             record(0, 0xFFE4, QByteArray::fromHex("0000803F00002040") + QByteArray::fromHex(area)));
    // A record too short for the area keeps its length.
    QCOMPARE(rewriteVersionRecord(":04FFE40000803F00", area).size(), 17);
}

void TstUpgradeFile::thePlanSendsWhatTheProcedureSendsAndReportsIt()
{
    QByteArray text = record(0, 0x0000, QByteArray(16, 'a')) + "\n"; // lower 32 KB: not for a uKorvo
    text += record(0, 0x8000, QByteArray(16, 'b')) + "\n" + record(0, 0x8010, QByteArray(16, 'c')) + "\n";
    text += record(0, 0x9000, QByteArray()) + "\n"; // no bytes: not sent
    text += QByteArray(kUpperBankRecord) + "\n" + record(0, 0xFFE4, QByteArray(24, 'v')) + "\n";
    text += QByteArray(kEndRecord) + "\n" + record(0, 0x8100, "late") + "\n";
    const UpgradePlan plan = planUpgrade(scanUpgradeText(text, UKorvo), UKorvo);
    QCOMPARE(plan.dataRecords, 3);
    QCOMPARE(plan.dataBytes, 56);
    QCOMPARE(plan.recordsOnLine(), 4 + 3);
    QVERIFY(plan.records.back().versionRecord);
    QCOMPARE(plan.ranges.size(), 2u);
    QCOMPARE(plan.ranges[0].first, 0x8000);
    QCOMPARE(plan.ranges[0].last, 0x801F);
    QCOMPARE(plan.ranges[1].bank, 1);

    PreflightFacts facts;
    facts.fileVersion = QStringLiteral("2.500");
    facts.controllerVersion = QStringLiteral("2.000");
    facts.baud = 19200;
    const QStringList report = preflightReport(plan, facts);
    QVERIFY(report.join('\n').contains(QStringLiteral("Upper bank: FFE4-FFFB")));
    QVERIFY(report.join('\n').contains(QStringLiteral("File version: 2.500    Controller version: 2.000")));
    // 1920 characters a second: the estimate is the characters both ways at that rate.
    QCOMPARE(estimatedTransferMs(plan, 19200, 0), plan.lineCharacters() * 1000 / 1920);
    QCOMPARE(estimatedTransferMs(plan, 19200, 10) - estimatedTransferMs(plan, 19200, 0), 70);
}

QTEST_GUILESS_MAIN(TstUpgradeFile)
#include "tst_upgradefile.moc"
