#pragma once

// A simulated SPI device: a 256-byte register file. The first byte of a transaction is a command (0x02 write,
// 0x03 read), the second an address, and each further byte is data at the address, which then advances
// (wrapping at 256). While the command and address shift in, and for any other command, the device shifts
// out FF; a read shifts out the register, a write shifts out the register's old value. Deselecting ends the
// transaction. Drive it a byte at a time (the converter) or a clock edge at a time (a parallel port).

#include <QtGlobal>
#include <array>

namespace korvo {

class SpiSlave
{
public:
    static constexpr quint8 kWrite = 0x02;
    static constexpr quint8 kRead = 0x03;

    quint8 reg(int address) const { return m_registers[std::size_t(address & 0xFF)]; }
    void setReg(int address, quint8 value) { m_registers[std::size_t(address & 0xFF)] = value; }

    // A stuck data-out line: every bit shifted out is 1.
    void setMisoHigh(bool high) { m_misoHigh = high; }

    // Chip select: low starts a transaction, high ends it (and resets the bit counter).
    void select();
    void deselect();
    bool selected() const { return m_selected; }

    // One whole byte while selected: the byte shifted out for it.
    quint8 exchange(quint8 in);

    // One rising clock edge while selected: samples MOSI and returns the MISO bit driven until the next edge.
    bool risingEdge(bool mosi);

private:
    quint8 nextOut() const;
    void take(quint8 in);

    std::array<quint8, 256> m_registers{};
    bool m_selected = false;
    bool m_misoHigh = false;
    int m_byteIndex = 0; // bytes of this transaction so far
    quint8 m_command = 0;
    quint8 m_address = 0;
    int m_bit = 0; // bits of the current byte so far (clock-edge driving)
    quint8 m_shiftIn = 0;
    quint8 m_shiftOut = 0xFF;
};

} // namespace korvo
