#pragma once

// Names of the preferences file's sections and of the keys other windows address directly (function-key
// storage, the function-key editor's browser). The scalar keys of each section are in prefsmap.h.

#include <QAnyStringView>
#include <QString>
#include <charconv>
#include <cstring>

namespace korvo::prefkeys {

inline QString versionSection()
{
    return QStringLiteral("uKorvo TERMINAL VERSION");
}
inline QString setupSection()
{
    return QStringLiteral("Setup");
}
inline QString txtDocumentSection()
{
    return QStringLiteral("TXT Document");
}
inline QString kxtDocumentSection()
{
    return QStringLiteral("KXT Document");
}
inline QString pgmSection(int n)
{
    return QStringLiteral("Pgm_") + QString::number(n);
}
inline QString commSection(int n)
{
    return QStringLiteral("Comm_") + QString::number(n);
}
inline QString lastOpenedSection()
{
    return QStringLiteral("LastOpened");
}
inline QString canConfigSection()
{
    return QStringLiteral("CAN Configuration");
}
inline QString moduleSection()
{
    return QStringLiteral("MODULE Settings");
}
inline QString dongleSection()
{
    return QStringLiteral("DONGLE Settings");
}
inline QString spiSection()
{
    return QStringLiteral("SPI Configuration");
}
inline QString browserSection()
{
    return QStringLiteral("BROWSER Settings");
}
inline QString ramViewerSection()
{
    return QStringLiteral("RAM Viewer");
}

inline QString fKeyEn()
{
    return QStringLiteral("FKeyEn");
}
inline QString fGroup()
{
    return QStringLiteral("FGroup");
}
inline QString fGroupCt()
{
    return QStringLiteral("FGroupCt");
}
// A key name that ends in a number ("F12"), kept without a string of its own: it is looked up and stored
// as Latin-1 text.
class NumberedKey
{
public:
    NumberedKey(const char *prefix, int n)
    {
        const std::size_t length = std::strlen(prefix);
        Q_ASSERT(length < sizeof m_text - 12);
        std::memcpy(m_text, prefix, length);
        m_size = std::to_chars(m_text + length, m_text + sizeof m_text, n).ptr - m_text;
    }
    QLatin1StringView view() const { return QLatin1StringView(m_text, m_size); }
    operator QAnyStringView() const { return view(); }

private:
    char m_text[32];
    qsizetype m_size;
};

// Group g (from 0).
inline NumberedKey groupName(int g)
{
    return NumberedKey("FGrpName", g);
}
// Key k of the table (from 0) is stored as "F"&(k+1): group 0 holds F1..F10, group 9 F91..F100.
inline NumberedKey funcKey(int k)
{
    return NumberedKey("F", k + 1);
}
inline NumberedKey recentFile(int i)
{
    return NumberedKey("FILE", i);
}

} // namespace korvo::prefkeys
