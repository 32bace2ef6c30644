#include "transfer/hmiblockcodec.h"

namespace korvo {

namespace {
constexpr unsigned char kErased = 255;

void appendHex(QByteArray &out, unsigned char byte)
{
    out += '<';
    out += QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
    out += '>';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}
} // namespace

bool HmiBlockCodec::checkOk(const QByteArray &block)
{
    if (block.size() != kBlockBytes)
        return false;
    unsigned sum = 0;
    for (const char c : block)
        sum += static_cast<unsigned char>(c);
    return sum % 256 == 0;
}

char HmiBlockCodec::checkByte(const QByteArray &data)
{
    unsigned sum = 0;
    for (const char c : data)
        sum += static_cast<unsigned char>(c);
    return static_cast<char>((256 - sum % 256) % 256);
}

QByteArray HmiBlockCodec::renderLine(Kind kind, int address, const QByteArray &data)
{
    QByteArray out =
        "  " + QByteArray::number(address).rightJustified(kind == Kind::Registers ? 2 : 4, '0') + "  ";
    for (qsizetype i = 0; i < data.size(); ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte == kErased) {
            out += "<empty>";
            continue;
        }
        if (kind != Kind::Program) {
            appendHex(out, byte);
            continue;
        }
        switch (byte) {
        case 27:
            out += "\\e";
            break;
        case 8:
            out += "\\b";
            break;
        case 9:
            out += "\\t";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '<':
            appendHex(out, byte);
            break;
        case ' ':
            // A blank at the end of the line would not survive an editor that trims lines.
            if (i == data.size() - 1)
                appendHex(out, byte);
            else
                out += ' ';
            break;
        default:
            if (byte > 32 && byte < 127)
                out += char(byte);
            else
                appendHex(out, byte);
        }
    }
    return out;
}

std::optional<HmiBlockCodec::Decoded> HmiBlockCodec::parseLine(const QByteArray &line)
{
    if (!line.startsWith("  "))
        return std::nullopt;
    qsizetype pos = 2;
    Decoded decoded;
    const qsizetype digitsStart = pos;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && pos - digitsStart < 6)
        decoded.address = decoded.address * 10 + (line[pos++] - '0');
    if (pos == digitsStart || line.mid(pos, 2) != "  ")
        return std::nullopt;
    pos += 2;
    while (pos < line.size()) {
        const char c = line[pos];
        if (c == '\\' && pos + 1 < line.size()) {
            const char e = line[pos + 1];
            const char value = e == 'e' ? char(27) : e == 'b' ? char(8) : e == 't' ? char(9) : e;
            decoded.bytes += value;
            pos += 2;
        } else if (c == '<' && line.mid(pos, 7) == "<empty>") {
            decoded.bytes += char(kErased);
            pos += 7;
        } else if (c == '<' && pos + 3 < line.size() && line[pos + 3] == '>' &&
                   hexValue(line[pos + 1]) >= 0 && hexValue(line[pos + 2]) >= 0) {
            decoded.bytes += char(hexValue(line[pos + 1]) * 16 + hexValue(line[pos + 2]));
            pos += 4;
        } else {
            decoded.bytes += c;
            ++pos;
        }
    }
    return decoded;
}

} // namespace korvo
