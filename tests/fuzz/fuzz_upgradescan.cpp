// libFuzzer target for the upgrade-file scanner: any bytes must scan, plan and rewrite without a fault, the
// plan never sends a record the file does not hold, a refused file always says why, and a file that is not
// refused holds only whole records with sound checksums of the types the transfer knows, ending in the end
// record.

#include "upgrade/upgradefile.h"
#include "upgrade/upgradeidentity.h"
#include "upgrade/upgradeplan.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const DeviceType device = size % 3 == 0 ? UKorvo : (size % 3 == 1 ? Veltor : Hmi);
    const UpgradeScan scan = scanUpgradeText(input, device);
    if (scan.refused() && scanProblem(scan, device).isEmpty())
        std::abort();
    const UpgradePlan plan = planUpgrade(scan, device);
    if (plan.records.size() > std::size_t(scan.records.size()) || plan.dataBytes < 0)
        std::abort();
    if (!scan.refused()) {
        if (!plan.endReached || RecordFields::of(scan.records.back()).type != 1)
            std::abort();
        for (const QByteArray &line : scan.records) {
            const RecordFields fields = RecordFields::of(line);
            const bool knownType = fields.type <= 2 || fields.type == 4;
            if (line.size() != 11 + 2 * fields.count || !knownType ||
                withChecksum(line).compare(line, Qt::CaseInsensitive) != 0 ||
                (fields.type == 0 && fields.count == 0))
                std::abort();
        }
    }
    const QByteArray area = identityAreaHex(QStringLiteral("SN"), QStringLiteral("T")).value();
    for (const PlannedRecord &record : plan.records)
        if (record.versionRecord && rewriteVersionRecord(record.text, area).size() != record.text.size())
            std::abort();
    return 0;
}
