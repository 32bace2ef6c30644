#pragma once

// Names of the preferences file's sections and of the keys other windows address directly (function-key
// storage, the function-key editor's browser). The scalar keys of each section are in prefsmap.h.

#include <QString>

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
// Group g (from 0).
inline QString groupName(int g)
{
    return QStringLiteral("FGrpName") + QString::number(g);
}
// Key k of the table (from 0) is stored as "F"&(k+1): group 0 holds F1..F10, group 9 F91..F100.
inline QString funcKey(int k)
{
    return QStringLiteral("F") + QString::number(k + 1);
}
inline QString recentFile(int i)
{
    return QStringLiteral("FILE") + QString::number(i);
}

} // namespace korvo::prefkeys
