#include "inihelpers.h"

#include <QVarLengthArray>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace korvo {

namespace {

// The leading decimal integer of the text, saturated far beyond 32 bits; 0 when there is none.
int64_t leadingInteger(QStringView text)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p != end && (*p == u' ' || *p == u'\t'))
        ++p;
    const bool negative = p != end && *p == u'-';
    if (p != end && (*p == u'-' || *p == u'+'))
        ++p;
    constexpr int64_t kLimit = int64_t{1} << 40;
    int64_t value = 0;
    for (; p != end && *p >= u'0' && *p <= u'9'; ++p) {
        if (value < kLimit)
            value = value * 10 + (*p - u'0');
    }
    return negative ? -value : value;
}

template <typename T> T inRangeOr(int64_t value, T defaultValue)
{
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
        return defaultValue;
    return static_cast<T>(value);
}

} // namespace

int16_t iniToInt(std::optional<QStringView> value, int16_t defaultValue)
{
    return value ? inRangeOr<int16_t>(leadingInteger(*value), defaultValue) : defaultValue;
}

int32_t iniToLong(std::optional<QStringView> value, int32_t defaultValue)
{
    return value ? inRangeOr<int32_t>(leadingInteger(*value), defaultValue) : defaultValue;
}

bool iniToBool(std::optional<QStringView> value, bool defaultValue)
{
    if (!value)
        return defaultValue;
    return (static_cast<uint64_t>(leadingInteger(*value)) & 0xFFFFu) != 0;
}

float iniToSingle(std::optional<QStringView> value, float defaultValue)
{
    if (!value)
        return defaultValue;
    // Only the number's characters matter; any other character stops it as '?' would.
    const QStringView trimmed = value->trimmed();
    QVarLengthArray<char, 64> text(trimmed.size());
    std::transform(trimmed.begin(), trimmed.end(), text.begin(),
                   [](QChar c) { return c.unicode() < 0x100 ? static_cast<char>(c.unicode()) : '?'; });
    const char *begin = text.constData();
    const char *const end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    float parsed = 0.0f;
    // from_chars takes the leading number and ignores the rest ("8.5pt" is 8.5); failure leaves 0.
    const auto result = std::from_chars(begin, end, parsed);
    if (result.ec != std::errc() || !std::isfinite(parsed))
        return 0.0f;
    return parsed;
}

QString iniFromBool(bool value)
{
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

QString iniFromSingle(float value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

FunctionKey splitFuncKey(QStringView value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\t') || c.unicode() == kFuncKeySeparator)
            return FunctionKey{value.first(i).toString(), value.sliced(i + 1).toString()};
    }
    return {};
}

QString joinFuncKey(const FunctionKey &key)
{
    return key.label + QChar(kFuncKeySeparator) + key.command;
}

int16_t getIniInt(const IniFile &ini, const QString &section, const QString &key, int16_t defaultValue)
{
    return iniToInt(ini.value(section, key), defaultValue);
}

int32_t getIniLong(const IniFile &ini, const QString &section, const QString &key, int32_t defaultValue)
{
    return iniToLong(ini.value(section, key), defaultValue);
}

QString getIniString(const IniFile &ini, const QString &section, const QString &key,
                     const QString &defaultValue)
{
    return ini.value(section, key).value_or(defaultValue);
}

FunctionKey getFuncKey(const IniFile &ini, const QString &section, int n)
{
    return splitFuncKey(getIniString(ini, section, QStringLiteral("F%1").arg(n), QString()));
}

int16_t getIniInt(const QString &path, const QString &section, const QString &key, int16_t defaultValue)
{
    return getIniInt(IniFile::load(path), section, key, defaultValue);
}

int32_t getIniLong(const QString &path, const QString &section, const QString &key, int32_t defaultValue)
{
    return getIniLong(IniFile::load(path), section, key, defaultValue);
}

QString getIniString(const QString &path, const QString &section, const QString &key,
                     const QString &defaultValue)
{
    return getIniString(IniFile::load(path), section, key, defaultValue);
}

FunctionKey getFuncKey(const QString &path, const QString &section, int n)
{
    return getFuncKey(IniFile::load(path), section, n);
}

bool writeIniString(const QString &path, const QString &section, const QString &key, const QString &value)
{
    IniFile ini = IniFile::load(path);
    ini.setValue(section, key, value);
    return ini.save(path);
}

} // namespace korvo
