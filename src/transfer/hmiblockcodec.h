#pragma once

// The listing lines of HMI memory blocks. A block read from the device is 32 data bytes and a check byte
// that makes the sum of all 33 zero modulo 256. In the listing a block is one line: two blanks, the
// running address within its section ("0000"; registers "00"), two blanks and the bytes: register and
// parameter bytes as "<hh>", program bytes as text with "\e" (27), "\b" (8), "\t" (9), "\\" and "<hh>"
// for the rest; an erased byte (255) is "<empty>". The same line reads back into address and bytes.

#include <QByteArray>
#include <optional>

namespace korvo {

class HmiBlockCodec
{
public:
    static constexpr int kDataBytes = 32;
    static constexpr int kBlockBytes = 33;
    enum class Kind { Program, Registers, Parameters };

    // The 33 bytes sum to 0 modulo 256.
    static bool checkOk(const QByteArray &block);
    // The check byte that completes 32 data bytes.
    static char checkByte(const QByteArray &data);

    static QByteArray renderLine(Kind kind, int address, const QByteArray &data);

    struct Decoded
    {
        int address = 0;
        QByteArray bytes;
    };
    // A data line as renderLine writes it; nothing for any other line.
    static std::optional<Decoded> parseLine(const QByteArray &line);
};

} // namespace korvo
