#include "spislave.h"

namespace korvo {

void SpiSlave::select()
{
    m_selected = true;
    m_byteIndex = 0;
    m_bit = 0;
    m_shiftIn = 0;
}

void SpiSlave::deselect()
{
    m_selected = false;
    m_byteIndex = 0;
    m_bit = 0;
}

quint8 SpiSlave::nextOut() const
{
    if (m_misoHigh)
        return 0xFF;
    if (m_byteIndex < 2 || (m_command != kRead && m_command != kWrite))
        return 0xFF;
    return reg(m_address);
}

void SpiSlave::take(quint8 in)
{
    if (m_byteIndex == 0)
        m_command = in;
    else if (m_byteIndex == 1)
        m_address = in;
    else if (m_command == kRead || m_command == kWrite) {
        if (m_command == kWrite)
            setReg(m_address, in);
        m_address = quint8(m_address + 1);
    }
    ++m_byteIndex;
}

quint8 SpiSlave::exchange(quint8 in)
{
    if (!m_selected)
        return 0xFF;
    const quint8 out = nextOut();
    take(in);
    return out;
}

bool SpiSlave::risingEdge(bool mosi)
{
    if (!m_selected)
        return true;
    if (m_bit == 0)
        m_shiftOut = nextOut();
    const bool miso = (m_shiftOut >> (7 - m_bit)) & 1;
    m_shiftIn = quint8((m_shiftIn << 1) | (mosi ? 1 : 0));
    if (++m_bit == 8) {
        take(m_shiftIn);
        m_bit = 0;
        m_shiftIn = 0;
    }
    return miso;
}

} // namespace korvo
