#include "fakeparallelport.h"

#include "spi/parallelspi.h"

namespace korvo {

bool FakeParallelPort::open(const QString &device, QString *error)
{
    if (!openError.isEmpty()) {
        *error = openError;
        return false;
    }
    m_open = true;
    m_device = device;
    return true;
}

void FakeParallelPort::writeData(quint8 value)
{
    writes.append(value);
    const bool wasSelected = !(m_data & ParallelSpi::kDeselect);
    const bool selected = !(value & ParallelSpi::kDeselect);
    if (selected && !wasSelected)
        slave.select();
    else if (!selected && wasSelected)
        slave.deselect();
    const bool rising = (value & ParallelSpi::kClock) && !(m_data & ParallelSpi::kClock);
    if (selected && rising) {
        const bool mosi = value & ParallelSpi::kMosi;
        m_mosiBits += mosi ? '1' : '0';
        ++m_pulses;
        m_miso = slave.risingEdge(mosi);
    }
    m_data = value;
}

quint8 FakeParallelPort::readStatus()
{
    ++statusReads;
    return m_miso ? ParallelSpi::kMiso : 0;
}

} // namespace korvo
