#include "upgrade/upgradefile.h"

#include "app/texthelpers.h"
#include "app/wholefile.h"

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
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != '\r' && text.at(end) != '\n')
            ++end;
        const QByteArray line = text.mid(start, end - start);
        start = end + 1;
        if (end < text.size() && text.at(end) == '\r' && start < text.size() && text.at(start) == '\n')
            ++start;
        if (!line.startsWith(':')) {
            if (!line.isEmpty())
                ++scan.linesSkipped;
            continue;
        }
        scan.records.append(line);
        const RecordFields fields = RecordFields::of(line);
        if (fields.type == 2) {
            upperBank = fields.bankDigit == QLatin1Char('1');
            continue;
        }
        if (fields.type != 0)
            continue;
        if (line.size() < 11 + 2 * fields.count)
            ++scan.shortRecords;
        if (everyRecordCounts || upperBank || fields.address >= 0x8000)
            scan.totalBytes += fields.count;
        takeIdentity(scan, line, fields, upperBank, procedure);
        scan.valid = true;
    }
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
    if (!scan.valid) {
        if (scan.records.isEmpty())
            return QStringLiteral("The file holds no records (no line starts with \":\").");
        return QStringLiteral("The file holds no data records.");
    }
    if (scan.totalBytes == 0)
        return QStringLiteral("The file holds no data for this controller's upgrade area.");
    if (scan.shortRecords > 0)
        return QStringLiteral("%1 record(s) are shorter than their byte count says.").arg(scan.shortRecords);
    if (upgradeProcedureFor(device) == UpgradeProcedure::UKorvo && scan.coreVersionText.isEmpty())
        return QStringLiteral("The file has no version record at FFE4 of the upper bank.");
    return {};
}

} // namespace korvo
