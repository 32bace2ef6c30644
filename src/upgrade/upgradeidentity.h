#pragma once

// The identity values of an upgrade: version numbers as the file stores them and as the controller reports
// them, the serial number and type number, and the 15-byte identity area a uKorvo upgrade writes back.
// Plain functions, no I/O.

#include "app/devicecatalogue.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace korvo {

// Which of the two upgrade dialogues a device type uses.
enum class UpgradeProcedure { None, UKorvo, OrvBrel };
UpgradeProcedure upgradeProcedureFor(DeviceType device);

// Decimal major, ".", minor padded to three digits: (3, 5) -> "3.005".
QString firmwareVersionText(int major, int minor);
// Four raw reply bytes, major and minor little-endian; empty when any byte is 255 (erased area).
QString versionTextFromRaw(const QByteArray &raw);
// A version text read as a number (leading digits and one decimal point; anything else ends it).
double versionNumber(const QString &text);

// The single-precision decoding of a uKorvo version, as "0.000" text. From eight hex digits (the four
// pairs little-endian) or from four raw bytes; empty input, and four bytes of 255, give an empty text.
// Shorter input is filled out with zeros at its end (the missing high-order part reads as 0).
QString singleTextFromHex(const QString &hex);
QString singleTextFromRaw(const QByteArray &raw);

// Codes below 33 and from 127 up become spaces; the result is trimmed.
QString printableFilter(const QByteArray &text);

struct SerialAndType
{
    QString serial;
    QString type;
};
// The "::s" value split as the controller's version says: a controller of version 3.0 or later (plusRule)
// keeps the whole value as its serial number; older ones have the serial number in characters 1-10 and the
// type number in 11-25, both trimmed.
SerialAndType splitSerialReply(const QString &filtered, bool plusRule);

// Longest serial number the box takes (plusRule: 15, otherwise 10); the type number fills the rest of 15.
int serialNumberLimit(bool plusRule);
constexpr int kIdentityAreaChars = 15;

// The identity area as 32 hex digits: serial number, spaces, type number (15 characters, the type number
// ending at the last), each as two upper-case hex digits, then "00". None when the two do not fit.
std::optional<QByteArray> identityAreaHex(const QString &serial, const QString &type);

// A record with its last two characters replaced by the checksum of every field from the count to the
// last data byte.
QByteArray withChecksum(const QByteArray &record);
// The record that writes the identity area at FFEC of the upper bank.
QByteArray identityRecord(const QByteArray &areaHex);
// The FFE4 record with the identity area written over data bytes 8-23 and its checksum recomputed.
QByteArray rewriteVersionRecord(const QByteArray &record, const QByteArray &areaHex);

} // namespace korvo
