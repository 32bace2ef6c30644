#pragma once

// Display_Received's translations: turns received bytes into the text the screen shows (control characters
// or all characters as "<0D>" hex forms, CR as CR LF), one lookup per byte. Bytes 128..255 are Windows-1252.

#include <QByteArray>
#include <QString>
#include <array>

namespace korvo {

struct CommWindowSettings;

struct TranslateOptions
{
    bool crTranslate = false; // received CR shown as CR LF
    bool controlHex = false;  // control characters 00..1F in hex form
    bool notCRLF = false;     // with controlHex: CR and LF still act as themselves
    int displayHex = 0;       // bit 0: 20..7F in hex form; bit 1: 80..FF in hex form

    static TranslateOptions fromSettings(const CommWindowSettings &settings);
    bool operator==(const TranslateOptions &) const = default;
};

class DisplayTranslator
{
public:
    DisplayTranslator() { setOptions({}); }

    void setOptions(const TranslateOptions &options);
    const TranslateOptions &options() const { return m_options; }

    // UTF-8 for the screen; every byte is translated on its own, so any split of the input gives the
    // same result.
    QByteArray translate(const char *data, qsizetype length) const;
    QByteArray translate(const QByteArray &data) const;

    // "<C8>": the hex form of one byte.
    static QByteArray hexForm(unsigned char c);
    // The character a received byte stands for (Windows-1252; its five unassigned codes show as U+FFFD).
    static char32_t characterOf(unsigned char c);

private:
    TranslateOptions m_options;
    // Per byte: offset and length of its translation in m_pool.
    std::array<quint16, 256> m_offset{};
    std::array<quint8, 256> m_length{};
    std::array<bool, 256> m_unchanged{};
    QByteArray m_pool;
};

} // namespace korvo
