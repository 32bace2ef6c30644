#include "comm/displaytranslator.h"

#include "app/appstate.h"

namespace korvo {

namespace {

// Windows-1252 at 0x80..0x9F; 0 marks the five unassigned codes.
constexpr char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QByteArray utf8Of(char32_t ch)
{
    const char32_t one[1] = {ch};
    return QString::fromUcs4(one, 1).toUtf8();
}

} // namespace

TranslateOptions TranslateOptions::fromSettings(const CommWindowSettings &settings)
{
    TranslateOptions o;
    o.crTranslate = settings.crTranslate != 0;
    o.controlHex = settings.controlHex != 0;
    o.notCRLF = settings.notCRLF != 0;
    o.displayHex = settings.displayHex & 3;
    return o;
}

char32_t DisplayTranslator::characterOf(unsigned char c)
{
    if (c < 0x80 || c >= 0xA0)
        return c;
    const char16_t mapped = kCp1252High[c - 0x80];
    return mapped ? char32_t(mapped) : char32_t(0xFFFD);
}

QByteArray DisplayTranslator::hexForm(unsigned char c)
{
    static const char digits[] = "0123456789ABCDEF";
    const char form[4] = {'<', digits[c >> 4], digits[c & 15], '>'};
    return QByteArray(form, 4);
}

QByteArray DisplayTranslator::encodeForDevice(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out += char(u);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i) {
            if (kCp1252High[i] == u || (kCp1252High[i] == 0 && u == 0x80 + i)) {
                byte = char(0x80 + i);
                break;
            }
        }
        out += byte;
    }
    return out;
}

void DisplayTranslator::setOptions(const TranslateOptions &options)
{
    m_options = options;
    m_pool.clear();
    for (int c = 0; c < 256; ++c) {
        QByteArray shown;
        const auto byte = static_cast<unsigned char>(c);
        if (c == 10 || c == 13) {
            if (options.controlHex && !options.notCRLF)
                shown = hexForm(byte);
            else if (c == 13 && options.crTranslate)
                shown = "\r\n";
            else
                shown = QByteArray(1, char(c));
        } else if (c < 32) {
            shown = options.controlHex ? hexForm(byte) : QByteArray(1, char(c));
        } else if (c < 128) {
            shown = (options.displayHex & 1) ? hexForm(byte) : QByteArray(1, char(c));
        } else {
            shown = (options.displayHex & 2) ? hexForm(byte) : utf8Of(characterOf(byte));
        }
        m_unchanged[size_t(c)] = shown.size() == 1 && shown.at(0) == char(c);
        m_offset[size_t(c)] = quint16(m_pool.size());
        m_length[size_t(c)] = quint8(shown.size());
        m_pool += shown;
    }
}

QByteArray DisplayTranslator::translate(const QByteArray &data) const
{
    for (const char c : data)
        if (!m_unchanged[static_cast<unsigned char>(c)])
            return translate(data.constData(), data.size());
    return data; // shared, not copied
}

QByteArray DisplayTranslator::translate(const char *data, qsizetype length) const
{
    // A run of bytes that show as themselves is copied in one piece.
    qsizetype same = 0;
    while (same < length && m_unchanged[static_cast<unsigned char>(data[same])])
        ++same;
    QByteArray out;
    out.reserve(length + length / 4);
    out.append(data, same);
    const char *pool = m_pool.constData();
    for (qsizetype i = same; i < length; ++i) {
        const auto c = static_cast<unsigned char>(data[i]);
        const quint8 n = m_length[c];
        if (n == 1)
            out += pool[m_offset[c]];
        else
            out.append(pool + m_offset[c], n);
    }
    return out;
}

} // namespace korvo
