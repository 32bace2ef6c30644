#include "terminal/displaytranslator.h"

#include "app/cp1252.h"
#include "settings/preferences.h"

namespace korvo {

namespace {

QByteArray utf8Of(char32_t ch)
{
    const char32_t one[1] = {ch};
    return QString::fromUcs4(one, 1).toUtf8();
}

// Bytes 128..255 as the screen gets them: worked out once, not for every table a terminal builds.
const std::array<QByteArray, 128> &highCharacters()
{
    static const std::array<QByteArray, 128> forms = [] {
        std::array<QByteArray, 128> all;
        for (int c = 0; c < 128; ++c)
            all[size_t(c)] = utf8Of(DisplayTranslator::characterOf(static_cast<unsigned char>(c + 128)));
        return all;
    }();
    return forms;
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
    const char byte = static_cast<char>(c);
    const char16_t u = decodeCp1252(&byte, 1).at(0).unicode();
    // The code page's five unassigned bytes decode to C1 controls, which the screen would obey: show them
    // as replacement characters instead.
    return u >= 0x80 && u < 0xA0 ? char32_t(0xFFFD) : char32_t(u);
}

QByteArray DisplayTranslator::hexForm(unsigned char c)
{
    static const char digits[] = "0123456789ABCDEF";
    const char form[4] = {'<', digits[c >> 4], digits[c & 15], '>'};
    return QByteArray(form, 4);
}

void DisplayTranslator::setOptions(const TranslateOptions &options)
{
    m_options = options;
    m_pool.clear();
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        const qsizetype start = m_pool.size();
        if (c == 10 || c == 13) {
            if (options.controlHex && !options.notCRLF)
                m_pool += hexForm(byte);
            else if (c == 13 && options.crTranslate)
                m_pool += "\r\n";
            else
                m_pool += char(c);
        } else if (c < 128) {
            if (c < 32 ? options.controlHex : (options.displayHex & 1) != 0)
                m_pool += hexForm(byte);
            else
                m_pool += char(c);
        } else {
            m_pool += (options.displayHex & 2) ? hexForm(byte) : highCharacters()[size_t(c - 128)];
        }
        const qsizetype length = m_pool.size() - start;
        m_unchanged[size_t(c)] = length == 1 && m_pool.at(start) == char(c);
        m_offset[size_t(c)] = quint16(start);
        m_length[size_t(c)] = quint8(length);
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
