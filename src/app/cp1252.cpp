#include "app/cp1252.h"

#include <cstdint>
#include <cstring>

namespace korvo {

namespace {

// Unicode of bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> cp1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return std::nullopt;
}

// The length of the leading run of ASCII: nearly all text of the program's files is, so it is checked eight
// bytes at a time. Unit is a byte (unsigned char) or a UTF-16 code unit (char16_t).
template <typename Unit> qsizetype asciiPrefix(const Unit *data, qsizetype size)
{
    constexpr qsizetype kPerWord = 8 / sizeof(Unit);
    // Every bit at or above 0x80 in each unit of the word.
    constexpr std::uint64_t kHighBits = sizeof(Unit) == 1 ? 0x8080808080808080u : 0xFF80FF80FF80FF80u;
    qsizetype i = 0;
    for (std::uint64_t w = 0; size - i >= kPerWord; i += kPerWord) {
        std::memcpy(&w, data + i, 8);
        if (w & kHighBits)
            break;
    }
    while (i < size && data[i] < 0x80)
        ++i;
    return i;
}

const unsigned char *bytesOf(const char *data)
{
    return reinterpret_cast<const unsigned char *>(data);
}

} // namespace

QString decodeCp1252(const char *data, qsizetype size)
{
    QString text;
    appendCp1252Text(text, QByteArrayView(data, size));
    return text;
}

// Latin-1 in bulk, then the bytes where Windows-1252 differs from it.
void appendCp1252Text(QString &out, QByteArrayView bytes)
{
    const qsizetype start = out.size();
    out.append(QLatin1StringView(bytes));
    const unsigned char *const in = bytesOf(bytes.data());
    char16_t *text = nullptr;
    for (qsizetype i = asciiPrefix(in, bytes.size()); i < bytes.size();
         i += 1 + asciiPrefix(in + i + 1, bytes.size() - i - 1)) {
        if (in[i] >= 0xA0)
            continue;
        if (!text)
            text = reinterpret_cast<char16_t *>(out.data()) + start;
        text[i] = kHighControls[in[i] - 0x80];
    }
}

// Latin-1 in bulk, then the characters beyond ASCII, which Latin-1 may have made '?'.
std::optional<QByteArray> encodeCp1252(QStringView text)
{
    QByteArray bytes = text.toLatin1();
    const char16_t *const in = text.utf16();
    for (qsizetype i = asciiPrefix(in, text.size()); i < text.size();
         i += 1 + asciiPrefix(in + i + 1, text.size() - i - 1)) {
        const std::optional<char> byte = cp1252Byte(in[i]);
        if (!byte)
            return std::nullopt;
        bytes[i] = *byte;
    }
    return bytes;
}

bool looksLikeUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    bool multiByte = false;
    while (p < end) {
        p += asciiPrefix(p, end - p);
        if (p == end)
            break;
        const unsigned char lead = *p;
        int length = 0;
        char32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (end - p < length)
            return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are not UTF-8.
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        multiByte = true;
        p += length;
    }
    return multiByte;
}

QByteArray encodeForDevice(const QString &text)
{
    if (std::optional<QByteArray> bytes = encodeCp1252(text))
        return *bytes;
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text)
        out += encodeCp1252(QString(ch)).value_or(QByteArrayLiteral("?"));
    return out;
}

} // namespace korvo
