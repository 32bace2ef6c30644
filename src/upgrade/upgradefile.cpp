#include "upgrade/upgradefile.h"

#include "app/texthelpers.h"
#include "app/wholefile.h"

#include <cctype>

namespace korvo {

namespace {
int hexField(const QByteArray &line, qsizetype position, qsizetype length)
{
    return hexToLong(QString::fromLatin1(line.mid(position - 1, length)));
}

void takeIdentity(UpgradeScan &scan, const QByteArray &line, const RecordFields &fields, bool upperBank,
                  UpgradeProcedure procedure)
{
    if (procedure == UpgradeProcedure::OrvBrel) {
        if (fields.count == 4 && ((fields.address == 0xFF60 && upperBank) || fields.address == 0x7770)) {
            // A later version record wins over an earlier one.
            scan.versionText = firmwareVersionText(recordByte(line, 0) + 256 * recordByte(line, 1),
                                                   recordByte(line, 2) + 256 * recordByte(line, 3));
            scan.versionNumber = versionNumber(scan.versionText);
        } else if (fields.count == 6 && fields.address == 0xFF70 && upperBank) {
            scan.kindLetter = QChar(recordByte(line, 0));
        }
    } else if (procedure == UpgradeProcedure::UKorvo && fields.address == 0xFFE4 && upperBank) {
        scan.coreVersionText = singleTextFromHex(QString::fromLatin1(line.mid(9, 8)));
        scan.versionText = singleTextFromHex(QString::fromLatin1(line.mid(17, 8)));
    }
}

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// What is wrong with one record line on its own, or empty. The controller would take a damaged record as it
// stands (a wrong type ends the transfer early, a wrong count leaves data out), so the whole line is checked.
// sendsUpper is the bank the transfer is in when the line is reached.
QString recordDamage(const QByteArray &line, bool sendsUpper)
{
    for (qsizetype i = 1; i < line.size(); ++i) {
        const char c = line.at(i);
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return QStringLiteral("character %1 (\"%2\") is not a hex digit")
                .arg(i + 1)
                .arg(c >= 0x20 && c < 0x7F ? QString(QLatin1Char(c))
                                           : QStringLiteral("\\x") + hex2(uchar(c)));
    }
    if (line.size() < 11)
        return QStringLiteral("the record is too short to hold count, address, type and checksum");
    const RecordFields fields = RecordFields::of(line);
    const qsizetype held = (line.size() - 11) / 2;
    if (line.size() != 11 + 2 * fields.count)
        return QStringLiteral("the count says %1 data bytes, the record holds %2%3")
            .arg(fields.count)
            .arg(held)
            .arg(line.size() % 2 == 0 ? QStringLiteral(" and an odd digit") : QString());
    int sum = 0;
    for (int i = 0; i < 4 + fields.count; ++i)
        sum += hexField(line, 2 + 2 * i, 2);
    const int checksum = hexField(line, line.size() - 1, 2);
    if (((sum + checksum) & 0xFF) != 0)
        return QStringLiteral("the checksum is %1, the record's bytes need %2")
            .arg(hex2(checksum), hex2(-sum & 0xFF));
    switch (fields.type) {
    case 0:
        return fields.count == 0 ? QStringLiteral("a data record (type 00) with no data bytes") : QString();
    case 1:
        return fields.count == 0 ? QString() : QStringLiteral("an end record (type 01) with data bytes");
    case 2:
        return fields.count == 2
                   ? QString()
                   : QStringLiteral("a bank select (type 02) needs 2 data bytes, not %1").arg(fields.count);
    case 4:
        // Only a linear address of 0000 in the lower bank changes nothing: the transfer sends 16-bit
        // addresses and has no other way to reach above 64 KiB than the type-02 bank select.
        if (fields.count == 2 && recordByte(line, 0) == 0 && recordByte(line, 1) == 0 && !sendsUpper)
            return {};
        return QStringLiteral("an extended linear address (type 04) other than 0000 in the lower bank: the "
                              "upgrade sends 16-bit addresses and selects banks by type 02 records only");
    default:
        return QStringLiteral("record type %1 is not one the upgrade sends (00 data, 01 end, 02 bank select)")
            .arg(hex2(fields.type));
    }
}
} // namespace

RecordFields RecordFields::of(const QByteArray &line)
{
    RecordFields fields;
    // Digits outside 0-9/A-F follow the conversion's arithmetic; the masks keep the fields in their widths.
    fields.count = hexField(line, 2, 2) & 0xFF;
    fields.address = hexField(line, 4, 4) & 0xFFFF;
    fields.type = hexField(line, 8, 2) & 0xFF;
    fields.bankDigit = line.size() >= 10 ? QChar(QLatin1Char(line.at(9))) : QChar();
    return fields;
}

int recordByte(const QByteArray &line, int index)
{
    return hexField(line, 10 + 2 * index, 2) & 0xFF;
}

UpgradeScan scanUpgradeText(const QByteArray &text, DeviceType device)
{
    const UpgradeProcedure procedure = upgradeProcedureFor(device);
    const bool everyRecordCounts = procedure == UpgradeProcedure::OrvBrel;
    UpgradeScan scan;
    bool upperBank = false;
    bool sendsUpper = false; // the transfer's reading of the bank digit
    qint64 lineNumber = 0;
    qint64 endLine = 0; // the line of the end record, once read
    const auto damaged = [&scan, &lineNumber](const QString &what) {
        if (scan.damage.isEmpty())
            scan.damage = QStringLiteral("Line %1: %2.").arg(lineNumber).arg(what);
    };
    qsizetype start = 0;
    while (start < text.size()) {
        ++lineNumber;
        qsizetype end = start;
        while (end < text.size() && text.at(end) != '\r' && text.at(end) != '\n')
            ++end;
        const QByteArray line = text.mid(start, end - start);
        start = end + 1;
        if (end < text.size() && text.at(end) == '\r' && start < text.size() && text.at(start) == '\n')
            ++start;
        if (!line.startsWith(':'))
            continue;
        scan.records.append(line);
        if (endLine > 0)
            damaged(QStringLiteral("a record after the end record of line %1").arg(endLine));
        else if (const QString what = recordDamage(line, sendsUpper); !what.isEmpty())
            damaged(what);
        const RecordFields fields = RecordFields::of(line);
        if (fields.type == 1)
            endLine = lineNumber;
        if (fields.type == 2) {
            upperBank = fields.bankDigit == QLatin1Char('1');
            sendsUpper = fields.bankDigit != QLatin1Char('0');
            continue;
        }
        if (fields.type != 0)
            continue;
        if (everyRecordCounts || upperBank || fields.address >= 0x8000)
            scan.totalBytes += fields.count;
        takeIdentity(scan, line, fields, upperBank, procedure);
        scan.valid = true;
    }
    if (endLine == 0 && !scan.records.isEmpty() && scan.damage.isEmpty())
        scan.damage =
            QStringLiteral("The file ends without an end record (%1).").arg(QLatin1String(":00000001FF"));
    return scan;
}

std::optional<UpgradeScan> scanUpgradeFile(const QString &path, DeviceType device, QString *error)
{
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("No file name");
        return std::nullopt;
    }
    QByteArray text;
    if (!readWholeFile(path, FileKind::Upgrade, &text, error))
        return std::nullopt;
    return scanUpgradeText(text, device);
}

QString scanProblem(const UpgradeScan &scan, DeviceType device)
{
    if (!scan.damage.isEmpty())
        return scan.damage;
    if (!scan.valid) {
        if (scan.records.isEmpty())
            return QStringLiteral("The file holds no records (no line starts with \":\").");
        return QStringLiteral("The file holds no data records.");
    }
    if (scan.totalBytes == 0)
        return QStringLiteral("The file holds no data for this controller's upgrade area.");
    if (upgradeProcedureFor(device) == UpgradeProcedure::UKorvo && scan.coreVersionText.isEmpty())
        return QStringLiteral("The file has no version record at FFE4 of the upper bank.");
    return {};
}

} // namespace korvo
