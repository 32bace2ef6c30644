#pragma once

// SPI over the parallel port's lines, bit by bit: SCK is data bit 0, MOSI data bit 1, /CS data bit 2 (active
// low), MISO status bit 3. MSB first; the device samples MOSI on the rising clock edge and MISO is read after
// the falling edge. The bit loops do not yield: a message runs to its end.

#include "spi/spicalibration.h"

#include <QByteArray>

namespace korvo {

class ParallelPort;

class ParallelSpi
{
public:
    static constexpr quint8 kClock = 1;
    static constexpr quint8 kMosi = 2;
    static constexpr quint8 kDeselect = 4;
    static constexpr quint8 kMiso = 8;

    ParallelSpi(ParallelPort &port, const SpiCalibration &calibration);

    // Clock low, data low, device not selected (the window does this when it opens on a parallel port).
    void idle();
    // Send_SPI_Message: select, every byte, deselect. The reply has one byte per byte sent.
    QByteArray sendMessage(const QByteArray &out);
    // Send_SPI_Char: one byte of a message; the first selects the device, the last deselects it.
    quint8 sendChar(quint8 out, bool first, bool last);
    // iSPI_Byte: one byte exchanged, followed by the gap between bytes.
    quint8 exchangeByte(quint8 out);

private:
    void select();
    void deselect();

    ParallelPort &m_port;
    SpiCalibration m_calibration;
};

} // namespace korvo
