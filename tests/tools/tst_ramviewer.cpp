// The RAM viewer's read as a transcript against a scripted controller, the dump's rows, colours and
// header, the register hints, and the caret escapes of its command texts.

#include "tools/carettext.h"
#include "tools/ramdump.h"
#include "tools/ramreadengine.h"
#include "tools/ramregisters.h"

#include <QtTest>
#include <functional>

using namespace korvo;

namespace {

// Runs a read against a controller that answers each complete command line; returns everything sent.
QByteArray runRead(RamReadEngine &engine, const std::function<QByteArray(const QByteArray &line)> &controller)
{
    qint64 now = 0;
    QByteArray sent;
    QByteArray line;
    engine.start(now);
    for (int steps = 0; steps < 500 && !engine.isFinished(); ++steps) {
        const std::vector<LinkAction> out = engine.takeOutput();
        for (const LinkAction &a : out) {
            // Command texts go out character by character, without the line pause.
            if (a.kind != LinkAction::Kind::WritePaced || a.linePause)
                sent += "<unpaced>";
            sent += a.bytes;
            for (const char c : a.bytes) {
                line += c;
                if (c == '\r') {
                    const QByteArray reply = controller(line);
                    line.clear();
                    // A reply arrives in two pieces, as a serial line delivers it.
                    engine.bytesReceived(reply.left(reply.size() / 2), now + 1);
                    engine.bytesReceived(reply.mid(reply.size() / 2), now + 2);
                }
            }
        }
        if (!out.empty()) {
            engine.outputWritten(now + 3);
            continue;
        }
        if (const std::optional<qint64> deadline = engine.nextDeadline()) {
            now = *deadline;
            engine.timerFired(now);
        }
    }
    engine.takeEvents();
    return sent;
}

QByteArray dumpRows(int address, const QList<int> &bytes)
{
    QByteArray text;
    for (int row = 0; row * 16 < bytes.size(); ++row) {
        text += QByteArray::number(address + 16 * row, 16).toUpper().rightJustified(4, '0') + "   ";
        for (int i = 0; i < 16 && row * 16 + i < bytes.size(); ++i) {
            if (i == 8)
                text += ' ';
            text += ' ' + QByteArray::number(bytes[row * 16 + i], 16).toUpper().rightJustified(2, '0');
        }
        text += "\r\n";
    }
    return text;
}

// A Veltor in echo mode 1 whose block at 0x200 holds a counter at its first byte.
std::function<QByteArray(const QByteArray &)> veltor(int *counter, bool answersEchoMode = true,
                                                     bool prints = true)
{
    return [=](const QByteArray &line) -> QByteArray {
        if (line == "pr em\r")
            return answersEchoMode ? QByteArray("pr em\r\n1\r\n") : QByteArray("pr em");
        if (line == "PR Pk\r" && prints) {
            QList<int> bytes;
            for (int i = 0; i < 20; ++i)
                bytes << (i == 0 ? (*counter)++ : i);
            return "PR Pk\r\n" + dumpRows(0x200, bytes) + ">";
        }
        return line + "\n";
    };
}

} // namespace

class TstRamViewer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void aReadSendsTheCommandSequenceAndRestoresTheEchoMode()
    {
        int counter = 0x10;
        RamReadEngine engine(QStringLiteral("200"), QStringLiteral("20"));
        const QByteArray sent = runRead(engine, veltor(&counter));
        QCOMPARE(sent,
                 QByteArray("pr em\rEm=2\rFt=51200\rFt=12\rEm=2\rR1=512\rR2=19\rPR Pk\rEm=2\rFt=0\rEm=1\r"));
        QCOMPARE(engine.outcome(), RamReadEngine::Outcome::Dump);
        QCOMPARE(ramdump::extract(engine.printed(), QStringLiteral("200"), 20),
                 QStringLiteral("0200    10 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F\r\n"
                                "0210    10 11 12 13"));
    }

    void theRowsStartAtTheAddressWhateverCharactersComeFirst()
    {
        // Found by fuzz_ramdump: a "\xDF" before the rows used to shift them by one character.
        QCOMPARE(ramdump::extract("\xDF\xDF PR Pk\r\n0200    10 01\r\n>", QStringLiteral("200"), 2),
                 QStringLiteral("0200    10 01"));
        QCOMPARE(ramdump::extract("pr pk\r\n0a00    10\r\n", QStringLiteral("A00"), 1),
                 QStringLiteral("0a00    10"));
    }

    void onlyClearlyDamagedRowsAreGarbled_data()
    {
        QTest::addColumn<QString>("dump");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("garbled");
        const QString second = QStringLiteral("\r\n8010    01 02");
        QTest::newRow("bare address") << "8000    FE A3 00 01" << 4 << "";
        // Used to be read three times and refused.
        QTest::newRow("colon after the address") << "8000:   FE A3 00 01" << 4 << "";
        QTest::newRow("dash apart from it") << "8000 -  fe a3 00 01" << 4 << "";
        QTest::newRow("text after the bytes") << "8000    FE A3 00 01  ..." << 4 << "";
        QTest::newRow("second row") << "8000    " + QStringLiteral("00 ").repeated(16) + second << 18 << "";
        QTest::newRow("byte field of three digits")
            << "8000    FE A30 00 01" << 4 << "\"8000    FE A30 00 01\"";
        QTest::newRow("byte not hex") << "8000    FE A3 0G 01" << 4 << "\"8000    FE A3 0G 01\"";
        QTest::newRow("byte missing") << "8000    FE A3 00" << 4 << "\"8000    FE A3 00\"";
        QTest::newRow("address run into a byte") << "80000    FE A3 00 01" << 4 << "\"80000    FE A3 00 01\"";
        QTest::newRow("row of another address")
            << "8000    " + QStringLiteral("00 ").repeated(16) + "\r\n8020    01 02" << 18
            << "\"8020    01 02\"";
        QTest::newRow("row missing") << "8000    " + QStringLiteral("00 ").repeated(16) << 18 << "\"\"";
    }

    void onlyClearlyDamagedRowsAreGarbled()
    {
        QFETCH(QString, dump);
        QFETCH(int, count);
        QFETCH(QString, garbled);
        QCOMPARE(ramdump::garbledRow(dump, QStringLiteral("8000"), count), garbled);
    }

    void theAddressIsSignedSixteenBitsAndTheCountOneLess()
    {
        QCOMPARE(RamReadEngine::addressValue(QStringLiteral("FFFF")), -1);
        QCOMPARE(RamReadEngine::addressValue(QStringLiteral("8000")), -32768);
        QCOMPARE(RamReadEngine::addressValue(QStringLiteral("2000")), 8192);
        QCOMPARE(RamReadEngine::countValue(QStringLiteral("0")), 0);
        QCOMPARE(RamReadEngine::countValue(QStringLiteral("64")), 63);
        QCOMPARE(RamReadEngine::countValue(QStringLiteral("Ct")), 0);
        // Like Val: what follows the number is ignored, so the "Other" placeholders read as numbers too.
        QCOMPARE(RamReadEngine::addressValue(QStringLiteral("Addr")), 0xADD);
        QCOMPARE(RamReadEngine::addressValue(QStringLiteral("2g0")), 2);
        QCOMPARE(RamReadEngine::countValue(QStringLiteral(" 16 bytes")), 15);
    }

    void aControllerThatNeverTellsItsEchoModeGetsNothingRestored()
    {
        int counter = 0;
        RamReadEngine engine(QStringLiteral("200"), QStringLiteral("16"));
        const QByteArray sent = runRead(engine, veltor(&counter, false));
        QCOMPARE(engine.outcome(), RamReadEngine::Outcome::NoEchoMode);
        QCOMPARE(engine.message(), QStringLiteral("Failed to communicate with device!"));
        QCOMPARE(sent, QByteArray("pr em\r"));
    }

    void aBlockThatIsNeverPrintedTimesOutAndStillRestores()
    {
        int counter = 0;
        RamReadEngine engine(QStringLiteral("200"), QStringLiteral("16"));
        const QByteArray sent = runRead(engine, [&](const QByteArray &line) {
            return line == "pr em\r" ? QByteArray("pr em\r\n0\r\n") : QByteArray();
        });
        QCOMPARE(engine.outcome(), RamReadEngine::Outcome::TimedOut);
        QCOMPARE(engine.message(), QStringLiteral("Timed Out!"));
        QVERIFY(sent.endsWith("Em=2\rFt=0\rEm=0\r"));
        (void)counter;
    }

    void onlyCharactersThatChangedAreMarked()
    {
        const QString first = QStringLiteral("0200    10 01 02");
        const QString second = QStringLiteral("0200    11 01 12");
        const std::vector<DumpRun> runs = ramdump::mark(second, first, true);
        QCOMPARE(runs, (std::vector<DumpRun>{
                           {"0200    1", false}, {"1", true}, {" 01 ", false}, {"1", true}, {"2", false}}));
        // After the address changed nothing is compared.
        QCOMPARE(ramdump::mark(second, first, false), (std::vector<DumpRun>{{second, false}}));
    }

    void theHeaderIsCutForLessThanARow()
    {
        QCOMPARE(ramdump::header(64),
                 QStringLiteral("        0  1  2  3  4  5  6  7   8  9  A  B  C  D  E  F"));
        QCOMPARE(ramdump::header(6), QStringLiteral("        0  1  2  3  4  5"));
        QCOMPARE(ramdump::header(10), QStringLiteral("        0  1  2  3  4  5  6  7   8  9"));
    }

    void hintsNameTheRegisterUnderThePointer()
    {
        const QString row = QStringLiteral("0200    10 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F");
        // A register without named bits is its bare name (it used to list eight unnamed bits).
        QCOMPARE(ramregisters::hint(QStringLiteral("Motor"), row, 8), QStringLiteral("PWMMSK"));
        // Second half, past the extra blank: byte 9 is PWMPER's row neighbour VELLOW2.
        QCOMPARE(ramregisters::hint(QStringLiteral("Motor"), row, 36), QStringLiteral("VELLOW2"));
        QCOMPARE(ramregisters::hint(QStringLiteral("Motor"), row, 31), QString());
        QCOMPARE(ramregisters::hint(QStringLiteral("Motor"), row, 2), QString());
        QCOMPARE(ramregisters::hint(QStringLiteral("Other"), row, 8), QString());
        const QString idx = QStringLiteral("0230    00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00");
        QCOMPARE(
            ramregisters::hint(QStringLiteral("Motor"), idx, 41),
            QStringLiteral(
                "IDXIMSK: - | ENC_INDX | END_TARG | POS_TARG || CAPTURE | POS_TRIP | MSDT_DN | FAULT_INT"));
    }

    void registerTablesHaveTheirSizesAndPlaces()
    {
        QCOMPARE(ramregisters::table(QStringLiteral("Motor")).size(), 80);
        QVERIFY(ramregisters::table(QStringLiteral("Motor")).at(78).startsWith("NBCTL"));
        QVERIFY(ramregisters::table(QStringLiteral("Motor")).at(79).isEmpty());
        const QStringList cpu = ramregisters::table(QStringLiteral("CPU"));
        QVERIFY(cpu.at(45).startsWith("EXTCCR0"));
        QVERIFY(cpu.at(46).isEmpty() && cpu.at(47).isEmpty() && cpu.at(54).isEmpty() && cpu.at(64).isEmpty());
        QVERIFY(cpu.at(63).startsWith("SREG"));
        const QStringList can = ramregisters::table(QStringLiteral("CAN"));
        QVERIFY(can.at(16).startsWith("CIDAC0R0") && can.at(20).startsWith("CIDM0R0") &&
                can.at(71).startsWith("CIDM6R3"));
        QVERIFY(can.at(159).startsWith("CRXB1R15") && can.at(160).isEmpty());
        QCOMPARE(ramregisters::table(QStringLiteral("IntTmr")).at(9),
                 QStringLiteral("INTCCR0: - | - | - | - || - | CS02 | CS01 | CS00"));
        QVERIFY(ramregisters::table(QStringLiteral("FPGA")).at(58).startsWith("FLT_FLG"));
        QCOMPARE(ramregisters::blocks().last().address, QStringLiteral("Addr"));
    }

    void caretEscapesBecomeBytesAndPauses()
    {
        QCOMPARE(
            parseCaretText("Em=2^M^mR1=5^M^p^d40000^^x^Z^d"),
            (std::vector<CaretStep>{
                {"Em=2\r", 0}, {{}, 50}, {"R1=5\r", 0}, {{}, 1000}, {{}, kMaxCaretPauseMs}, {"^x\x1A", 0}}));
        QCOMPARE(parseCaretText("^a^"), (std::vector<CaretStep>{{"^a^", 0}}));
    }
};

QTEST_GUILESS_MAIN(TstRamViewer)
#include "tst_ramviewer.moc"
