#pragma once

// A parallel port with a simulated SPI device on its lines: the device samples MOSI (data bit 1) and drives
// the next MISO bit (status bit 3) on each rising edge of SCK (data bit 0), and /CS (data bit 2) selects it.
// Every write is recorded, so tests can check the exact line sequence.

#include "sim/spislave.h"
#include "spi/parallelport.h"

#include <QList>

namespace korvo {

class FakeParallelPort final : public ParallelPort
{
public:
    SpiSlave slave;
    QList<quint8> writes; // every value written to the data register, in order
    int statusReads = 0;
    QString openError; // when set, open() fails with it

    bool open(const QString &device, QString *error) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QString device() const override { return m_device; }
    void writeData(quint8 value) override;
    quint8 readStatus() override;

    // Rising clock edges seen while the device was selected.
    int clockPulses() const { return m_pulses; }
    // MOSI as sampled on each rising edge, "1"/"0" per edge.
    QByteArray mosiBits() const { return m_mosiBits; }

private:
    bool m_open = false;
    QString m_device;
    quint8 m_data = 0xFF;
    bool m_miso = true;
    int m_pulses = 0;
    QByteArray m_mosiBits;
};

} // namespace korvo
