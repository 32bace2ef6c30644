// The CAN pages' arithmetic and rules: bit timing, number forms, register rules, the request texts, the
// configuration reports and the bit-rate table.

#include "can/bitratetable.h"
#include "can/bittimingcalculator.h"
#include "can/canconfigparser.h"
#include "can/canpagewrites.h"
#include "can/canrequest.h"
#include "can/cantext.h"
#include "can/registerrules.h"
#include "can/replycollector.h"
#include "settings/preferences.h"

#include <QtTest>

using namespace korvo;
using F = BitTimingCalculator::Field;

namespace {
BitTimingCalculator loaded(int btr0, int btr1)
{
    BitTimingCalculator calc;
    calc.load(btr0, btr1);
    return calc;
}

void type(BitTimingCalculator &calc, F field, const QString &text)
{
    calc.edit(field, text);
    calc.commit(field);
}

// Line k (from 0, the first received) carries k in hex; line 5 the baud code, line 19 frame 1's length.
ReplyCollector getCfgReply(int lines)
{
    ReplyCollector collector(ReplyCollector::Lines, 36);
    for (int k = 0; k < lines; ++k) {
        QByteArray line = "L" + QByteArray::number(k) + " = ";
        line += k == 5 ? QByteArray("19") : QByteArray::number(k, 16).toUpper();
        if (k == 19)
            line = "M1_LEN = 1D";
        collector.take(line + "\r\n");
    }
    return collector;
}
} // namespace

class TstCanPages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void numberFormsFollowTheirPictures()
    {
        QCOMPARE(formatPicture(50), QStringLiteral("50.0"));
        QCOMPARE(formatPicture(2.5), QStringLiteral("2.5"));
        QCOMPARE(formatPicture(1.0 / 3.0), QStringLiteral("0.3333"));
        QCOMPARE(formatPicture(1000), QStringLiteral("1000.0"));
        QCOMPARE(formatPicture(19.9999981), QStringLiteral("20.0"));
        QCOMPARE(hexPad(5), QStringLiteral("05"));
        QCOMPARE(hexPad(0x1FF, 3), QStringLiteral("1FF"));
        QCOMPARE(leadingNumber(QStringLiteral("  125kHz")), 125.0);
        QCOMPARE(leadingNumber(QStringLiteral("2.5.1")), 2.5);
        QVERIFY(!leadingNumber(QStringLiteral("kHz")).has_value());
        QCOMPARE(typedHexValue(QStringLiteral("53")), 0x53);
        QCOMPARE(typedHexValue(QStringLiteral("0x53")), 8531); // X counts 33
        QCOMPARE(typedHexValue(QString()), 0);
        QVERIFY(!typedHexValue(QStringLiteral("1000000")).has_value());
    }

    void defaultRegistersGiveFiftyKilobits()
    {
        const BitTimingCalculator calc = loaded(0x53, 0x34);
        QCOMPARE(calc.text(F::Brp), QStringLiteral("19"));
        QCOMPARE(calc.text(F::Sjw), QStringLiteral("1"));
        QCOMPARE(calc.text(F::Tseg1), QStringLiteral("4"));
        QCOMPARE(calc.text(F::Tseg2), QStringLiteral("3"));
        QCOMPARE(calc.text(F::BitTime), QStringLiteral("20.0"));
        QCOMPARE(calc.text(F::BaudRate), QStringLiteral("50.0"));
        QCOMPARE(calc.text(F::Tsjw), QStringLiteral("4.0"));

        const BitTimingCalculator fast = loaded(0x41, 0x34);
        QCOMPARE(fast.text(F::BitTime), QStringLiteral("2.0"));
        QCOMPARE(fast.text(F::BaudRate), QStringLiteral("500.0"));

        // 1 Mbit/s: BRP 0, ten quanta.
        const BitTimingCalculator mega = loaded(0x40, 0x16);
        QCOMPARE(mega.text(F::BaudRate), QStringLiteral("1000.0"));
        QCOMPARE(mega.text(F::BitTime), QStringLiteral("1.0"));

        const BitTimingCalculator slowest = loaded(0xFF, 0x34);
        QCOMPARE(slowest.text(F::Brp), QStringLiteral("63"));
        QCOMPARE(slowest.text(F::Sjw), QStringLiteral("3"));
        QCOMPARE(slowest.text(F::Tsjw), QStringLiteral("25.6")); // tq 6.4 us
    }

    void anEmptyPrescalerIsComputedFromTheRate()
    {
        BitTimingCalculator calc = loaded(0x53, 0x34);
        calc.edit(F::Brp, QString());
        QVERIFY(!calc.commit(F::Brp)); // leaving the emptied field changes nothing
        QCOMPARE(calc.btr0(), 0x53);
        type(calc, F::BaudRate, QStringLiteral("125"));
        QCOMPARE(calc.text(F::BitTime), QStringLiteral("8.0"));
        QCOMPARE(calc.text(F::Brp), QStringLiteral("7"));
        QCOMPARE(calc.btr0(), 0x53); // folded in only when the engineer commits it
        QVERIFY(calc.commit(F::Brp));
        QCOMPARE(calc.btr0(), 0x47);
        QCOMPARE(calc.text(F::Btr0), QStringLiteral("47"));
    }

    void withAllSegmentsKnownARateEntryLeavesTheRegisters()
    {
        BitTimingCalculator calc = loaded(0x53, 0x34);
        type(calc, F::BaudRate, QStringLiteral("125"));
        QCOMPARE(calc.text(F::BitTime), QStringLiteral("20.0")); // recomputed from the segments
        QCOMPARE(calc.btr0(), 0x53);
        QCOMPARE(calc.btr1(), 0x34);
    }

    void outOfRangeAndNonNumbersAreIgnoredWithTheirText()
    {
        BitTimingCalculator calc = loaded(0x53, 0x34);
        type(calc, F::Btr0, QStringLiteral("0x53"));
        QCOMPARE(calc.btr0(), 0x53);
        QCOMPARE(calc.text(F::Btr0), QStringLiteral("0x53"));
        type(calc, F::Btr1, QStringLiteral("100"));
        QCOMPARE(calc.btr1(), 0x34);
        type(calc, F::Brp, QStringLiteral("64"));
        type(calc, F::Tseg1, QStringLiteral("1"));
        type(calc, F::Tseg2, QStringLiteral("8"));
        type(calc, F::Sjw, QStringLiteral("4"));
        QCOMPARE(calc.btr0(), 0x53);
        QCOMPARE(calc.btr1(), 0x34);
        calc.edit(F::BaudRate, QStringLiteral("0"));
        QVERIFY(!calc.commit(F::BaudRate));
        calc.edit(F::BitTime, QStringLiteral("fast"));
        QVERIFY(!calc.commit(F::BitTime));
        QCOMPARE(calc.text(F::BitTime), QStringLiteral("fast"));
        calc.edit(F::Tsjw, QStringLiteral("1.5"));
        QVERIFY(!calc.commit(F::Tsjw));
        calc.edit(F::Tsjw, QStringLiteral("8.5"));
        QVERIFY(!calc.commit(F::Tsjw));
    }

    void registerBitSevenSurvivesOnlyADirectEntry()
    {
        BitTimingCalculator calc = loaded(0x53, 0x34);
        type(calc, F::Btr1, QStringLiteral("b4"));
        QCOMPARE(calc.btr1(), 0xB4);
        QCOMPARE(calc.text(F::Btr1), QStringLiteral("B4"));
        type(calc, F::Tseg1, QStringLiteral("4"));
        QCOMPARE(calc.btr1(), 0x34);
    }

    void jumpWidthFollowsItsTimeWhenCleared()
    {
        BitTimingCalculator calc = loaded(0x53, 0x34); // tq 2 us
        calc.edit(F::Sjw, QString());
        type(calc, F::Tsjw, QStringLiteral("4"));
        QCOMPARE(calc.text(F::Sjw), QStringLiteral("1.0"));
        QVERIFY(calc.commit(F::Sjw));
        QCOMPARE(calc.btr0(), 0x53);
    }

    void twoEmptySegmentsComputeNothingButTheJumpTime()
    {
        BitTimingCalculator calc = loaded(0x53, 0x34);
        calc.edit(F::Tseg1, QString());
        calc.edit(F::Tseg2, QString());
        type(calc, F::Sjw, QStringLiteral("2"));
        QVERIFY(calc.isEmpty(F::Tseg1));
        QVERIFY(calc.isEmpty(F::Tseg2));
        QCOMPARE(calc.text(F::Tsjw), QStringLiteral("6.0"));
        QCOMPARE(calc.btr0(), 0x93);
    }

    void registerRulesKeepTheLockedBits()
    {
        QCOMPARE(typedRegisterValue(CanRegister::Gms1, 0x00, false), 0x1F);
        QCOMPARE(typedRegisterValue(CanRegister::Lar1, 0xFF, true), 0xF8);
        QCOMPARE(typedRegisterValue(CanRegister::Uar1, 0xFF, false), 0xE0);
        QCOMPARE(typedRegisterValue(CanRegister::Uar1, 0xFF, true), 0xFF);
        QCOMPARE(typedRegisterValue(CanRegister::Lgml1, 0xFF, true), 0xFF);
        QCOMPARE(clickRegisterCell(CanRegister::Uar1, 0xE0, 2, false), 0xE0);
        QCOMPARE(clickRegisterCell(CanRegister::Uar1, 0xE0, 2, true), 0xE4);
        QCOMPARE(clickRegisterCell(CanRegister::Lgml1, 0xF8, 0, true), 0xF8);
        QCOMPARE(clickRegisterCell(CanRegister::Gms0, 0xFF, 3, false), 0xF7);
        QCOMPARE(clickRegisterCell(CanRegister::Gms1, 0xFF, 4, false), 0xFF);
        QCOMPARE(clickRegisterCell(CanRegister::Lar0, 0x00, 0, false), 0x00);
        QCOMPARE(clickRegisterCell(CanRegister::Lar1, 0x00, 3, true), 0x08);
        QCOMPARE(registerKey(CanRegister::Ugml1), QStringLiteral("UGML1"));
    }

    void requestsAreFramedPerTarget()
    {
        QCOMPARE(canRequest(CanTarget::Dongle, CanCommand::Uar0, 0xFF, 1), QByteArray(":M1_UAR0=FF\r"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Uar0, 0xFF, 256), QByteArray("UAR0=1FF\r\n"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Btr0, 0x53, 0), QByteArray("BTR0=53\r\n"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Gms1, 0xFF, 0), QByteArray("GMS1=0FF\r\n"));
        QCOMPARE(canRequest(CanTarget::Dongle, CanCommand::Btr0, 0x53, 0), QByteArray(":C_BTR0=53\r"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Frm, 311, 0), QByteArray("FRM=311\r\n"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Baud, 96, 0), QByteArray("LBAUD=96\r\n"));
        QCOMPARE(canRequest(CanTarget::Dongle, CanCommand::Baud, 96, 0), QByteArray(":BAUD=9600\r"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::LAddr, '!', 0), QByteArray("LADDR=!\r\n"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Ver, 0, -1), QByteArray("VER\r\n"));
        QCOMPARE(canRequest(CanTarget::Dongle, CanCommand::PgmCfg, 0, -1), QByteArray(":PGMcfg\r"));
        QCOMPARE(canRequest(CanTarget::Monitor, CanCommand::Mcfg, 8, 2), QByteArray(":M2_MCFG=08\r"));
        QCOMPARE(canRequest(CanTarget::Dongle, CanCommand::Xtd, 1, 2), QByteArray(":M2_XTD=1\r"));
        QCOMPARE(canRequest(CanTarget::Module, CanCommand::Frm, 10, 0), QByteArray("FRM=10\r\n"));
        QCOMPARE(canReplyOf(CanCommand::GetCfg), ReplyCollector::Lines);
        QCOMPARE(canReplyOf(CanCommand::Recall), ReplyCollector::Text);
        QCOMPARE(canReplyOf(CanCommand::SetCan), ReplyCollector::WaitAck);
        QCOMPARE(baudFromCode(19), 19200);
        QCOMPARE(baudFromCode(codeFromBaud(115200)), 0);
    }

    void pagesBecomeTheirCommands()
    {
        const auto texts = [](CanTarget target, CanPage page, const CanRecord &record, bool canSetup) {
            QByteArray all;
            for (const CanWrite &w : canPageWrites(target, page, record, 3, canSetup))
                all += canRequest(target, w.command, w.value, w.frame);
            return all;
        };
        CanRecord record;
        record.flags = {0, 8, 4, 0}; // frame 3: valid, 29-bit
        record.uar0[2] = 0x12;
        QCOMPARE(texts(CanTarget::Module, CanPage::Frame3, record, false),
                 QByteArray("FRM=311\r\nUAR0=312\r\nUAR1=3FE\r\nLAR0=300\r\nLAR1=300\r\n"));
        QCOMPARE(texts(CanTarget::Module, CanPage::Settings, record, false),
                 QByteArray("LMODE=0\r\nLADDR=!\r\nLPRMPT=>\r\nLBAUD=96\r\n"));
        QVERIFY(texts(CanTarget::Module, CanPage::Settings, record, true).endsWith("LBAUD=96\r\nCDEL=3\r\n"));
        QCOMPARE(texts(CanTarget::Dongle, CanPage::Frame1, record, false),
                 QByteArray(":M1_UAR0=FF\r:M1_UAR1=FE\r:M1_LAR0=00\r:M1_LAR1=00\r:M1_XTD=0\r"));
        QVERIFY(
            texts(CanTarget::Monitor, CanPage::Frame2, record, false).endsWith(":M2_XTD=0\r:M2_MCFG=08\r"));
        QCOMPARE(texts(CanTarget::Dongle, CanPage::Settings, record, false), QByteArray(":BAUD=9600\r"));

        CanRecord to;
        record.btr0 = 0x41;
        foldCanPage(CanPage::Frame2, record, to);
        QCOMPARE(to.flags[1], 8);
        QCOMPARE(to.btr0, 83); // another page's field stays
    }

    void getCfgNeedsThirtyTwoLines()
    {
        CanRecord record;
        const ReplyCollector short31 = getCfgReply(31);
        QVERIFY(!parseGetCfg(short31.lines(), short31.linesFilled(), record));
        QCOMPARE(record.btr0, 83);

        // The sixth line received is line 5 (it was read one line off, each field from its neighbour).
        const ReplyCollector full = getCfgReply(33);
        QVERIFY(parseGetCfg(full.lines(), full.linesFilled(), record));
        QCOMPARE(record.baud, 19);
        QCOMPARE(record.btr0, 0x08);
        QCOMPARE(record.btr1, 0x09);
        QCOMPARE(record.lgml1, 0x0F);
        QCOMPARE(record.flags[0], 4);
        QCOMPARE(record.uar0[0], 0x14);
        QCOMPARE(record.lar1[0], 0x17);
        QCOMPARE(record.flags[1], 0x1C);
        QCOMPARE(record.uar0[1], 0x1D);
        QCOMPARE(record.lar1[1], 0x20);
        // 32 line feeds are enough; line 32 not yet received leaves its field.
        CanRecord of32;
        const ReplyCollector exact = getCfgReply(32);
        QVERIFY(parseGetCfg(exact.lines(), exact.linesFilled(), of32));
        QCOMPARE(of32.lar0[1], 0x1F);
        QCOMPARE(of32.lar1[1], CanRecord().lar1[1]);
    }

    void getCfgLineForms_data()
    {
        QTest::addColumn<QByteArray>("line"); // line 8, BTR0
        QTest::addColumn<int>("btr0");        // -1: the line is garbled
        QTest::newRow("CR LF") << QByteArray("C_BTR0 = 41\r\n") << 0x41;
        QTest::newRow("LF only") << QByteArray("C_BTR0 = 41\n") << 0x41;
        QTest::newRow("one digit") << QByteArray("C_BTR0 = 7\r\n") << 7;
        QTest::newRow("space lost") << QByteArray("C_BTR0 =41\r\n") << -1;
        QTest::newRow("digit doubled") << QByteArray("C_BTR0 = 441\r\n") << -1;
        QTest::newRow("digit changed") << QByteArray("C_BTR0 = 4G\r\n") << -1;
        QTest::newRow("value lost") << QByteArray("C_BTR0 = \n") << -1;
        QTest::newRow("no equals sign") << QByteArray("C_BTR0 41\r\n") << -1;
        QTest::newRow("line end lost") << QByteArray("C_BTR0 = 41") << -1;
    }

    void getCfgLineForms()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, btr0);
        std::vector<QByteArray> lines = getCfgReply(33).lines();
        lines[8] = line;
        QCOMPARE(garbledGetCfgLine(lines), btr0 < 0 ? 8 : -1);
        CanRecord record;
        QVERIFY(parseGetCfg(lines, 33, record));
        if (btr0 >= 0)
            QCOMPARE(record.btr0, btr0);
    }

    void getCfgRepliesSplitAnywhereReadTheSame()
    {
        const ReplyCollector one = getCfgReply(33);
        QByteArray whole;
        for (const QByteArray &line : one.lines())
            whole += line;
        CanRecord expected;
        QVERIFY(parseGetCfg(one.lines(), one.linesFilled(), expected));
        for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
            ReplyCollector collector(ReplyCollector::Lines, 36);
            collector.take(whole.left(cut));
            collector.take(whole.mid(cut));
            CanRecord record;
            QVERIFY(parseGetCfg(collector.lines(), collector.linesFilled(), record));
            QCOMPARE(record.uar0, expected.uar0);
            QCOMPARE(record.btr1, expected.btr1);
        }
    }

    void recallReadsTheLastThirtySixBytes()
    {
        QByteArray bytes(36, '\0');
        const auto put = [&bytes](int position, int value) { bytes[position - 1] = char(value); };
        put(1, 0x41);
        put(2, 0x34);
        put(8, 0xF8);
        put(16, 3); // the second block describes frame 3: valid, 29-bit
        put(17, 1);
        put(18, 1);
        put(19, 0xAB);
        put(23, 1); // frame 1, not valid, 11-bit
        put(30, 1);
        put(31, '#');
        put(32, '>');
        put(33, 1);
        put(34, 7);
        CanRecord record;
        int charDelay = 0;
        QVERIFY(!parseRecall("RECAL" + bytes, record, charDelay));
        QVERIFY(parseRecall("VER 2.1RECALL\r\n" + bytes, record, charDelay));
        QCOMPARE(record.btr0, 0x41);
        QCOMPARE(record.lgml1, 0xF8);
        QCOMPARE(record.flags[2], 4);
        QCOMPARE(record.uar0[2], 0xAB);
        QCOMPARE(record.flags[0], 8);
        QCOMPARE(record.mode, 1);
        QCOMPARE(record.name, '#');
        QCOMPARE(record.baud, 19);
        QCOMPARE(charDelay, 7);
    }

    void rateTableListsTheUsualSettingsFirst()
    {
        const struct
        {
            int kbits, btr0, btr1;
            double sample;
        } expected[] = {{1000, 0x40, 0x16, 80.0}, {500, 0x80, 0x2F, 85.0}, {250, 0x81, 0x2F, 85.0},
                        {125, 0x44, 0x1C, 87.5},  {100, 0x84, 0x2F, 85.0}, {50, 0x89, 0x2F, 85.0},
                        {20, 0x98, 0x2F, 85.0},   {10, 0xB1, 0x2F, 85.0}};
        for (const auto &e : expected) {
            const std::vector<BitRateChoice> rows = bitRateChoices(e.kbits * 1000);
            QVERIFY2(!rows.empty(), qPrintable(QString::number(e.kbits)));
            QCOMPARE(rows.front().btr0, e.btr0);
            QCOMPARE(rows.front().btr1, e.btr1);
            QCOMPARE(rows.front().samplePoint, e.sample);
            QCOMPARE(rows.front().rateError, 0.0);
            for (const BitRateChoice &row : rows)
                QVERIFY(std::abs(row.rateError) <= 1.0);
            // The rows really give the rate: the calculator agrees with the first one.
            QCOMPARE(loaded(rows.front().btr0, rows.front().btr1).text(F::BaudRate), formatPicture(e.kbits));
        }
        QVERIFY(bitRateChoices(800000).empty());
        QVERIFY(bitRateChoices(0).empty());
        const std::vector<BitRateChoice> near = bitRateChoices(83333);
        QVERIFY(!near.empty());
        QVERIFY(std::abs(near.front().rateError) <= std::abs(near.back().rateError));
    }
};

QTEST_GUILESS_MAIN(TstCanPages)
#include "tst_canpages.moc"
