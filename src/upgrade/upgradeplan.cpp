#include "upgrade/upgradeplan.h"

#include <cstring>

namespace korvo {

namespace {
void addToRanges(std::vector<AddressRange> &ranges, int bank, int first, int last)
{
    if (!ranges.empty()) {
        AddressRange &previous = ranges.back();
        if (previous.bank == bank && first == previous.last + 1) {
            previous.last = last;
            return;
        }
    }
    ranges.push_back({bank, first, last});
}

QString hex4(int value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}
} // namespace

qint64 UpgradePlan::recordsOnLine() const
{
    return qint64(records.size()) + (procedure == UpgradeProcedure::UKorvo ? 3 : 0);
}

qint64 UpgradePlan::lineCharacters() const
{
    qint64 chars = 0;
    for (const PlannedRecord &record : records)
        chars += record.text.size() + 2; // CR out, ACK back
    if (procedure == UpgradeProcedure::UKorvo)
        chars += qint64(std::strlen(kUpperBankRecord) + std::strlen(kLowerBankRecord) + 2 * 2) + 41 + 2;
    return chars;
}

UpgradePlan planUpgrade(const UpgradeScan &scan, DeviceType device)
{
    UpgradePlan plan;
    plan.procedure = upgradeProcedureFor(device);
    const bool everyRecordCounts = plan.procedure == UpgradeProcedure::OrvBrel;
    bool upper = false;
    for (const QByteArray &line : scan.records) {
        const RecordFields fields = RecordFields::of(line);
        PlannedRecord record{line, 0, false, upper, fields.address, false, false};
        if (fields.type == 2) {
            // While sending, any segment but 0000 selects the upper bank.
            upper = fields.bankDigit != QLatin1Char('0');
            plan.records.push_back(record);
        } else if (fields.type == 0) {
            if (fields.count > 0 && (everyRecordCounts || upper || fields.address >= 0x8000)) {
                record.count = fields.count;
                record.data = true;
                record.versionRecord =
                    plan.procedure == UpgradeProcedure::UKorvo && upper && fields.address == 0xFFE4;
                plan.records.push_back(record);
                ++plan.dataRecords;
                plan.dataBytes += fields.count;
                addToRanges(plan.ranges, upper ? 1 : 0, fields.address,
                            std::min(fields.address + fields.count - 1, kBankBytes - 1));
            }
        } else if (fields.type == 1) {
            record.endRecord = true;
            plan.endReached = true;
            if (plan.procedure == UpgradeProcedure::OrvBrel)
                plan.records.push_back(record);
            break; // the end of the file: nothing after it is read
        }
    }
    return plan;
}

qint64 estimatedTransferMs(const UpgradePlan &plan, int baud, int pauseMsPerRecord)
{
    const double charsPerSecond = std::max(1, baud) / 10.0;
    return qint64(double(plan.lineCharacters()) * 1000.0 / charsPerSecond) +
           plan.recordsOnLine() * qint64(pauseMsPerRecord);
}

QStringList preflightReport(const UpgradePlan &plan, const PreflightFacts &facts)
{
    QStringList lines;
    lines << QStringLiteral("Records to send: %1 (%2 data records)")
                 .arg(plan.recordsOnLine())
                 .arg(plan.dataRecords);
    lines << QStringLiteral("Data bytes to send: %1").arg(plan.dataBytes);
    for (const AddressRange &range : plan.ranges)
        lines << QStringLiteral("  %1 bank: %2-%3")
                     .arg(range.bank == 1 ? QStringLiteral("Upper") : QStringLiteral("Lower"),
                          hex4(range.first), hex4(range.last));
    const auto shown = [](const QString &text) { return text.isEmpty() ? QStringLiteral("(none)") : text; };
    lines << QStringLiteral("File version: %1    Controller version: %2")
                 .arg(shown(facts.fileVersion), shown(facts.controllerVersion));
    if (plan.procedure == UpgradeProcedure::UKorvo)
        lines << QStringLiteral("File core: %1    Controller core: %2")
                     .arg(shown(facts.fileCore), shown(facts.controllerCore));
    const qint64 ms = estimatedTransferMs(plan, facts.baud, facts.pauseMsPerRecord);
    lines << QStringLiteral("Estimated time at %1 baud: %2:%3")
                 .arg(facts.baud)
                 .arg(ms / 60000)
                 .arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
    return lines;
}

} // namespace korvo
