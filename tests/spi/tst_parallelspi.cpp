// The parallel-port SPI transport against the simulated device on a fake port: the exact line sequence of a
// message, the bits on the wire, the register file's answers, and the calibration arithmetic.

#include "fakeparallelport.h"
#include "spi/parallelspi.h"
#include "spi/ppdevport.h"
#include "spi/spicalibration.h"
#include "spi/spiports.h"

#include <QTest>
#include <cerrno>

using namespace korvo;

class TestParallelSpi : public QObject
{
    Q_OBJECT

private:
    // The data-register values a message must produce, built from the line definitions bit by bit.
    static QList<quint8> expectedWrites(const QByteArray &message)
    {
        QList<quint8> writes{0};
        for (const char c : message) {
            quint8 mosi = 0;
            for (int bit = 7; bit >= 0; --bit) {
                mosi = (quint8(c) >> bit) & 1 ? 2 : 0;
                writes << mosi << quint8(mosi | 1) << mosi;
            }
            writes << mosi;
        }
        writes << 0 << 4;
        return writes;
    }

private slots:
    void aMessageSelectsClocksEveryBitAndDeselects()
    {
        FakeParallelPort port;
        ParallelSpi spi(port, SpiCalibration{});
        spi.idle();
        QCOMPARE(port.writes, QList<quint8>{4});
        port.writes.clear();

        const QByteArray message("\xA5\x3C\x01", 3);
        spi.sendMessage(message);
        QCOMPARE(port.writes, expectedWrites(message));
        QCOMPARE(port.clockPulses(), 24);
        QCOMPARE(port.statusReads, 24);
        QCOMPARE(port.writes.last(), quint8(4));
        QVERIFY(!port.slave.selected());
        // MSB first: A5 is 1,0,1,0,0,1,0,1 on the rising edges.
        QCOMPARE(port.mosiBits().left(8), QByteArray("10100101"));
        QCOMPARE(port.mosiBits().mid(8, 8), QByteArray("00111100"));
    }

    void theDeviceAnswersFromItsRegisterFile()
    {
        FakeParallelPort port;
        port.slave.setReg(0x10, 0x5A);
        ParallelSpi spi(port, SpiCalibration{});
        spi.idle();
        // A write shifts out FF for command and address, then the old value.
        QCOMPARE(spi.sendMessage(QByteArray::fromHex("0210AB")), QByteArray::fromHex("FFFF5A"));
        QCOMPARE(port.slave.reg(0x10), quint8(0xAB));
        // A read with auto-increment; the deselect in between started a new transaction.
        port.slave.setReg(0x11, 0x77);
        QCOMPARE(spi.sendMessage(QByteArray::fromHex("03100000")), QByteArray::fromHex("FFFFAB77"));
        // An unknown command answers FF and changes nothing.
        QCOMPARE(spi.sendMessage(QByteArray::fromHex("071000")), QByteArray::fromHex("FFFFFF"));
        QCOMPARE(port.slave.reg(0x10), quint8(0xAB));
    }

    void misoHeldHighReadsFF()
    {
        FakeParallelPort port;
        port.slave.setReg(0x00, 0x00);
        port.slave.setMisoHigh(true);
        ParallelSpi spi(port, SpiCalibration{});
        QCOMPARE(spi.exchangeByte(0xA5), quint8(0xFF));
        QCOMPARE(spi.sendMessage(QByteArray::fromHex("030000")), QByteArray::fromHex("FFFFFF"));
    }

    void oneCharacterAtATimeHoldsTheSelectAcrossBytes()
    {
        FakeParallelPort port;
        port.slave.setReg(0x20, 0x42);
        ParallelSpi spi(port, SpiCalibration{});
        spi.idle();
        const QByteArray message = QByteArray::fromHex("032000");
        QByteArray in;
        for (int i = 0; i < 3; ++i)
            in += char(spi.sendChar(quint8(message[i]), i == 0, i == 2));
        QCOMPARE(in, QByteArray::fromHex("FFFF42"));
        // The same lines as the whole message, from the first select to the final deselect.
        QCOMPARE(port.writes.mid(1), expectedWrites(message));
    }

    void calibrationDividesTheHalfSecondCount()
    {
        // 16800 / 1600 = 10.5 rounds to even; 16800 / 2132 = 7.88.
        const SpiCalibration even = SpiCalibration::fromCount(16800);
        QCOMPARE(even.halfBitDelay, 10);
        QCOMPARE(even.byteDelay, 8);
        const SpiCalibration odd = SpiCalibration::fromCount(18400); // 11.5 -> 12
        QCOMPARE(odd.halfBitDelay, 12);
        // A clock that barely counted gives the fixed small waits.
        const SpiCalibration coarse = SpiCalibration::fromCount(3 * 2132);
        QCOMPARE(coarse.halfBitDelay, 4);
        QCOMPARE(coarse.byteDelay, 3);
        QCOMPARE(SpiCalibration::fromCount(3 * 2132 + 1).halfBitDelay, 4);
    }

    void measuredCalibrationTimesThePort()
    {
        FakeParallelPort port;
        QString error;
        QVERIFY(port.open(QStringLiteral("/dev/parport0"), &error));
        const SpiCalibration c = calibrateSpiDelays(&port);
        QVERIFY(c.halfBitDelay >= 1);
        QVERIFY(c.byteDelay >= 1);
        QVERIFY(c.halfBitUs > 0);
        QVERIFY(c.clockHz > 0);
        // Timing the port leaves the device deselected.
        QCOMPARE(port.writes.last(), quint8(4));
    }

    void portNumbersNameTheirTransport()
    {
        QCOMPARE(spiPortText(1), QStringLiteral("Lpt1-SPI"));
        QCOMPARE(spiPortText(4), QStringLiteral("Lpt4-SPI"));
        QCOMPARE(spiPortText(5), QStringLiteral("Com1-USB SPI"));
        QCOMPARE(spiPortText(40), QStringLiteral("Com36-USB SPI"));
        QCOMPARE(parallelDeviceName(1), QStringLiteral("/dev/parport0"));
        QCOMPARE(parallelDeviceName(3), QStringLiteral("/dev/parport2"));
        QCOMPARE(converterDeviceName(5, QString()), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(converterDeviceName(7, QStringLiteral("/dev/pts/4")), QStringLiteral("/dev/pts/4"));
        QVERIFY(isParallelDevicePath(QStringLiteral("/dev/parport1")));
        QVERIFY(!isParallelDevicePath(QStringLiteral("/dev/ttyUSB0")));
    }

    void ppdevOpenFailuresSayWhatToDo()
    {
        PpdevPort port;
        QString error;
        QVERIFY(!port.open(QStringLiteral("/nonexistent/parport9"), &error));
        QVERIFY2(error.contains(QLatin1String("/nonexistent/parport9: ")), qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("ppdev")), qPrintable(error));
        QVERIFY(!port.isOpen());
        QVERIFY(PpdevPort::openErrorText(QStringLiteral("/dev/parport0"), EBUSY)
                    .contains(QLatin1String("holds")));
        // A device that exists but is not a parallel port is refused by PPCLAIM.
        QVERIFY(!port.open(QStringLiteral("/dev/null"), &error));
        QVERIFY2(error.startsWith(QLatin1String("/dev/null: ")), qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestParallelSpi)
#include "tst_parallelspi.moc"
