#include "upgrade/upgradeidentity.h"

#include "app/texthelpers.h"

#include <cmath>

namespace korvo {

namespace {
QString singleText(quint32 value)
{
    double sign = 1.0;
    if (value > 0x80000000u) {
        sign = -1.0;
        value -= 0x80000000u;
    }
    const double mantissa = 1.0 + double(value % (1u << 23)) / double(1u << 23);
    const int exponent = int(value / (1u << 23)) - 127;
    return QString::number(std::ldexp(mantissa, exponent) * sign, 'f', 3);
}
} // namespace

UpgradeProcedure upgradeProcedureFor(DeviceType device)
{
    switch (device) {
    case UKorvo:
        return UpgradeProcedure::UKorvo;
    case Veltor:
    case Fendra:
        return UpgradeProcedure::OrvBrel;
    default:
        return UpgradeProcedure::None;
    }
}

QString firmwareVersionText(int major, int minor)
{
    return QStringLiteral("%1.%2").arg(major).arg(minor, 3, 10, QLatin1Char('0'));
}

QString versionTextFromRaw(const QByteArray &raw)
{
    QByteArray bytes = raw.left(4);
    bytes.append(4 - bytes.size(), '\0');
    for (const char byte : bytes)
        if (static_cast<unsigned char>(byte) == 255)
            return {};
    const auto at = [&bytes](int i) { return int(static_cast<unsigned char>(bytes.at(i))); };
    return firmwareVersionText(at(0) + 256 * at(1), at(2) + 256 * at(3));
}

double versionNumber(const QString &text)
{
    // Leading spaces, digits and one point: what the text says as a number, 0 when nothing.
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    bool point = false;
    while (end < trimmed.size()) {
        const QChar c = trimmed.at(end);
        if (c == QLatin1Char('.') && !point)
            point = true;
        else if (!c.isDigit() || c.unicode() > 127)
            break;
        ++end;
    }
    return trimmed.left(end).toDouble();
}

QString singleTextFromHex(const QString &hex)
{
    if (hex.isEmpty())
        return {};
    const QString full = hex.left(8).leftJustified(8, QLatin1Char('0'));
    quint32 value = 0;
    for (int pair = 3; pair >= 0; --pair)
        value = (value << 8) | (quint32(hexToLong(full.mid(pair * 2, 2))) & 0xFF);
    return singleText(value);
}

QString singleTextFromRaw(const QByteArray &raw)
{
    if (raw.isEmpty() || raw == QByteArray(4, char(255)))
        return {};
    QByteArray bytes = raw.left(4);
    bytes.append(4 - bytes.size(), '\0');
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(i));
    return singleText(value);
}

QString printableFilter(const QByteArray &text)
{
    QString out;
    out.reserve(text.size());
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        out.append(code < 33 || code >= 127 ? QLatin1Char(' ') : QLatin1Char(byte));
    }
    return out.trimmed();
}

SerialAndType splitSerialReply(const QString &filtered, bool plusRule)
{
    if (plusRule)
        return {filtered, {}};
    return {filtered.left(10).trimmed(), filtered.mid(10, 15).trimmed()};
}

int serialNumberLimit(bool plusRule)
{
    return plusRule ? 15 : 10;
}

std::optional<QByteArray> identityAreaHex(const QString &serial, const QString &type)
{
    if (serial.size() + type.size() > kIdentityAreaChars)
        return std::nullopt;
    const QString area =
        serial + QString(kIdentityAreaChars - serial.size() - type.size(), QLatin1Char(' ')) + type;
    QByteArray hex;
    for (const QChar c : area) {
        // The area holds single bytes: a character beyond Latin-1 cannot be stored as itself.
        const int code = c.unicode() < 256 ? c.unicode() : '?';
        hex += QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
    }
    return hex + "00";
}

QByteArray withChecksum(const QByteArray &record)
{
    if (record.size() < 3)
        return record;
    int sum = 0;
    const QByteArray fields = record.mid(1, record.size() - 3);
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2)
        sum += hexToLong(QString::fromLatin1(fields.mid(i, 2)));
    const QByteArray checksum = QByteArray::number((-sum) & 0xFF, 16).toUpper().rightJustified(2, '0');
    return record.left(record.size() - 2) + checksum;
}

QByteArray identityRecord(const QByteArray &areaHex)
{
    // The area's closing "00" stands where the checksum goes; 15 data bytes at FFEC.
    return withChecksum(":0FFFEC00" + areaHex);
}

QByteArray rewriteVersionRecord(const QByteArray &record, const QByteArray &areaHex)
{
    constexpr qsizetype kAreaPosition = 25; // data byte 8, 0-based character index
    QByteArray out = record;
    // Only what the record holds is overwritten: a short record stays short.
    const qsizetype room = std::max<qsizetype>(0, out.size() - kAreaPosition);
    const qsizetype n = std::min<qsizetype>(room, areaHex.size());
    if (n > 0)
        out.replace(kAreaPosition, n, areaHex.left(n));
    return withChecksum(out);
}

} // namespace korvo
