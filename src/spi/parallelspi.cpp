#include "spi/parallelspi.h"

#include "spi/parallelport.h"

namespace korvo {

ParallelSpi::ParallelSpi(ParallelPort &port, const SpiCalibration &calibration)
    : m_port(port), m_calibration(calibration)
{
}

void ParallelSpi::idle()
{
    m_port.writeData(kDeselect);
}

void ParallelSpi::select()
{
    m_port.writeData(0);
    spiBusyWait(m_calibration.halfBitDelay);
}

void ParallelSpi::deselect()
{
    m_port.writeData(0);
    spiBusyWait(m_calibration.halfBitDelay);
    m_port.writeData(kDeselect);
}

quint8 ParallelSpi::exchangeByte(quint8 out)
{
    quint8 image = 0;
    quint8 in = 0;
    for (int bit = 7; bit >= 0; --bit) {
        const quint8 mask = quint8(1u << bit);
        image = (out & mask) ? quint8(image | kMosi) : quint8(image & ~kMosi);
        m_port.writeData(image);
        spiBusyWait(m_calibration.halfBitDelay);
        image |= kClock;
        m_port.writeData(image);
        spiBusyWait(m_calibration.halfBitDelay);
        image &= quint8(~kClock);
        m_port.writeData(image);
        if (m_port.readStatus() & kMiso)
            in |= mask;
    }
    m_port.writeData(image);
    spiBusyWait(m_calibration.byteDelay);
    return in;
}

QByteArray ParallelSpi::sendMessage(const QByteArray &out)
{
    QByteArray in(out.size(), '\0');
    select();
    for (qsizetype k = 0; k < out.size(); ++k)
        in[k] = char(exchangeByte(quint8(out[k])));
    deselect();
    return in;
}

quint8 ParallelSpi::sendChar(quint8 out, bool first, bool last)
{
    if (first)
        select();
    const quint8 in = exchangeByte(out);
    if (last)
        deselect();
    return in;
}

} // namespace korvo
