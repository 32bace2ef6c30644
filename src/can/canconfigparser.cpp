#include "can/canconfigparser.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace korvo {

namespace {
constexpr int kRecallMinimum = 42;
constexpr int kRecallBytes = 36;

// The digits two characters after the first "=", up to the first character that is not one.
std::optional<int> lineValue(const QByteArray &line, int base)
{
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = equals + 2; i < line.size(); ++i) {
        const char c = char(line.at(i) | 0x20);
        const int d = c >= '0' && c <= '9' ? c - '0' : (c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1);
        if (d < 0 || d >= base)
            break;
        value = std::min(value * base + d, 0x7FFF);
    }
    return value;
}

int16_t reportByte(const QByteArray &bytes, int position)
{
    return int16_t(uchar(bytes.at(position - 1)));
}
} // namespace

bool parseGetCfg(const std::vector<QByteArray> &lines, int lineCount, CanRecord &record)
{
    if (lineCount < kGetCfgLines || lines.size() < std::size_t(kGetCfgLines))
        return false;
    // Line k is entry k of the table, the first line received being entry 0 (a heading).
    const auto valueAt = [&lines](std::size_t k, int base) {
        return k < lines.size() ? lineValue(lines[k], base) : std::nullopt;
    };
    const auto hexAt = [&valueAt](std::size_t k, int16_t &field) {
        if (const std::optional<int> v = valueAt(k, 16))
            field = int16_t(*v & 0xFF);
    };
    if (const std::optional<int> code = valueAt(5, 10))
        record.baud = int16_t(*code);
    hexAt(8, record.btr0);
    hexAt(9, record.btr1);
    hexAt(10, record.gms0);
    hexAt(11, record.gms1);
    hexAt(12, record.ugml0);
    hexAt(13, record.ugml1);
    hexAt(14, record.lgml0);
    hexAt(15, record.lgml1);
    if (const std::optional<int> bits = valueAt(19, 16))
        record.flags[0] = *bits == 0x1D ? 4 : 0;
    for (std::size_t frame = 0; frame < 2; ++frame) {
        const std::size_t first = frame == 0 ? 20 : 29;
        hexAt(first, record.uar0[frame]);
        hexAt(first + 1, record.uar1[frame]);
        hexAt(first + 2, record.lar0[frame]);
        hexAt(first + 3, record.lar1[frame]);
    }
    hexAt(28, record.flags[1]);
    return true;
}

int garbledGetCfgLine(const std::vector<QByteArray> &lines)
{
    static constexpr int kRead[] = {5, 8, 9, 10, 11, 12, 13, 14, 15, 19, 20, 21, 22, 23, 28, 29, 30, 31};
    for (const int k : kRead) {
        if (std::size_t(k) >= lines.size())
            break;
        QByteArray line = lines[std::size_t(k)];
        // A line is counted at its LF; the CR before it is the adapter's habit, not a rule.
        if (!line.endsWith('\n'))
            return k;
        line.chop(line.endsWith("\r\n") ? 2 : 1);
        const qsizetype equals = line.indexOf('=');
        const QByteArray value = equals < 0 ? QByteArray() : line.mid(equals + 2);
        const bool decimal = k == 5;
        const bool digits = std::all_of(value.begin(), value.end(), [decimal](char c) {
            return std::isdigit(uchar(c)) || (!decimal && std::isxdigit(uchar(c)));
        });
        if (equals < 0 || line.mid(equals + 1, 1) != " " || !digits || value.isEmpty() ||
            value.size() > (decimal ? 3 : 2))
            return k;
    }
    return -1;
}

bool parseRecall(const QByteArray &text, CanRecord &record, int &charDelay)
{
    if (text.size() < kRecallMinimum)
        return false;
    const QByteArray b = text.right(kRecallBytes);
    record.btr0 = reportByte(b, 1);
    record.btr1 = reportByte(b, 2);
    record.gms0 = reportByte(b, 3);
    record.gms1 = reportByte(b, 4);
    record.ugml0 = reportByte(b, 5);
    record.ugml1 = reportByte(b, 6);
    record.lgml0 = reportByte(b, 7);
    record.lgml1 = reportByte(b, 8);
    for (int block = 9; block <= 23; block += 7) {
        const int frame = reportByte(b, block);
        if (frame < 1 || frame > 3)
            continue; // a block that names no frame of ours
        const std::size_t i = std::size_t(frame - 1);
        record.flags[i] = int16_t((reportByte(b, block + 1) == 0 ? 8 : 0) + 4 * reportByte(b, block + 2));
        record.uar0[i] = reportByte(b, block + 3);
        record.uar1[i] = reportByte(b, block + 4);
        record.lar0[i] = reportByte(b, block + 5);
        record.lar1[i] = reportByte(b, block + 6);
    }
    record.mode = reportByte(b, 30);
    record.name = reportByte(b, 31);
    record.prompt = reportByte(b, 32);
    switch (reportByte(b, 33)) {
    case 1:
        record.baud = 19;
        break;
    case 3:
        record.baud = 38;
        break;
    case 4:
        record.baud = 48;
        break;
    case 9:
        record.baud = 96;
        break;
    default:
        break; // other indexes keep the code
    }
    charDelay = reportByte(b, 34);
    return true;
}

} // namespace korvo
