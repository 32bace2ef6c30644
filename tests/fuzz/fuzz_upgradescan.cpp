// libFuzzer target for the upgrade-file scanner: any bytes must scan, plan and rewrite without a fault, and
// the plan never sends a record the file does not hold.

#include "upgrade/upgradefile.h"
#include "upgrade/upgradeplan.h"

#include <cstdint>
#include <cstdlib>

using namespace korvo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const DeviceType device = size % 3 == 0 ? UKorvo : (size % 3 == 1 ? Veltor : Hmi);
    const UpgradeScan scan = scanUpgradeText(input, device);
    (void)scanProblem(scan, device);
    const UpgradePlan plan = planUpgrade(scan, device);
    if (plan.records.size() > std::size_t(scan.records.size()) || plan.dataBytes < 0)
        std::abort();
    const QByteArray area = identityAreaHex(QStringLiteral("SN"), QStringLiteral("T")).value();
    for (const PlannedRecord &record : plan.records)
        if (record.versionRecord && rewriteVersionRecord(record.text, area).size() != record.text.size())
            std::abort();
    return 0;
}
