#pragma once

// Typed access to preference entries: how numbers, booleans, font sizes and function keys are stored as
// text, and the file-level helpers that read or change one entry of a preferences file on disk.
//
// Numbers: the leading decimal integer of the value counts ("12 px" is 12); an empty or non-numeric value
// is 0; a number outside the type's range (Rows=70000 for a 16-bit entry) gives the default, as if the
// entry were missing, rather than a wrapped-around value. Booleans are written -1 and 0; on reading any
// value whose low 16 bits are non-zero is true. Font sizes are written in the shortest plain decimal form.

#include "settings/inifile.h"
#include "settings/preferences.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace korvo {

// Function keys are stored as label, separator, command; TAB is accepted as the separator on reading.
constexpr char16_t kFuncKeySeparator = 0x2022; // character 149 of Windows-1252

int16_t iniToInt(std::optional<QStringView> value, int16_t defaultValue);
int32_t iniToLong(std::optional<QStringView> value, int32_t defaultValue);
bool iniToBool(std::optional<QStringView> value, bool defaultValue);
float iniToSingle(std::optional<QStringView> value, float defaultValue);
QString iniFromBool(bool value);
QString iniFromSingle(float value);

// The pair split at the first TAB or separator character; both empty when neither is present.
FunctionKey splitFuncKey(QStringView value);
QString joinFuncKey(const FunctionKey &key);

int16_t getIniInt(const IniFile &ini, const QString &section, const QString &key, int16_t defaultValue);
int32_t getIniLong(const IniFile &ini, const QString &section, const QString &key, int32_t defaultValue);
QString getIniString(const IniFile &ini, const QString &section, const QString &key,
                     const QString &defaultValue);
// Key "F"&n of the section.
FunctionKey getFuncKey(const IniFile &ini, const QString &section, int n);

// The same on a file: each call reads the file at path (a missing file reads as empty).
int16_t getIniInt(const QString &path, const QString &section, const QString &key, int16_t defaultValue);
int32_t getIniLong(const QString &path, const QString &section, const QString &key, int32_t defaultValue);
QString getIniString(const QString &path, const QString &section, const QString &key,
                     const QString &defaultValue);
FunctionKey getFuncKey(const QString &path, const QString &section, int n);
// Sets one entry of the file at path, creating the file, section and key as needed; the file is replaced
// as a whole, never left half-written. True when the file was written.
bool writeIniString(const QString &path, const QString &section, const QString &key, const QString &value);

} // namespace korvo
