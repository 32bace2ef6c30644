#pragma once

// What a transfer will send, worked out from the scanned records before the first one goes out: the records
// in order (the procedure's own choice of them), the bytes and address ranges per bank, and the time the
// line needs. The same plan drives the transfer and the pre-flight report.

#include "upgrade/upgradefile.h"

#include <QStringList>
#include <vector>

namespace korvo {

struct PlannedRecord
{
    QByteArray text;
    int count = 0;      // data bytes (data records only)
    bool data = false;  // counts toward the progress
    bool upper = false; // bank while sending
    int address = 0;
    bool versionRecord = false; // uKorvo FFE4 record: the identity area is written into it when sent
    bool endRecord = false;
};

struct AddressRange
{
    int bank = 0; // 0 lower, 1 upper
    int first = 0;
    int last = 0; // inclusive
};

struct UpgradePlan
{
    UpgradeProcedure procedure = UpgradeProcedure::None;
    std::vector<PlannedRecord> records; // the file's records to send, in order (no preamble)
    qint64 dataRecords = 0;
    qint64 dataBytes = 0;
    std::vector<AddressRange> ranges;
    bool endReached = false; // the file's end record was read

    // Records that go on the line, the preamble included (uKorvo: bank select, identity, bank select).
    qint64 recordsOnLine() const;
    // Characters of one whole transfer both ways: every record with its CR, one acknowledgement each.
    qint64 lineCharacters() const;
};

// The records the procedure sends from the scanned file, for the device type (1, 4 or 5).
UpgradePlan planUpgrade(const UpgradeScan &scan, DeviceType device);

// The uKorvo preamble's bank selects.
inline constexpr char kUpperBankRecord[] = ":020000021000EC";
inline constexpr char kLowerBankRecord[] = ":020000020000FC";
inline constexpr char kEndRecord[] = ":00000001FF";

// Estimated transfer time at the line's rate (10 bit times a character) plus the pause after each record.
qint64 estimatedTransferMs(const UpgradePlan &plan, int baud, int pauseMsPerRecord);

struct PreflightFacts
{
    QString fileVersion;
    QString controllerVersion;
    QString fileCore;       // uKorvo
    QString controllerCore; // uKorvo core; Orv/Brel the version the controller reported with "::c"
    int baud = 19200;
    int pauseMsPerRecord = 0;
};
// The pre-flight report: one line per fact, the same in the wizard and in korvo-cli.
QStringList preflightReport(const UpgradePlan &plan, const PreflightFacts &facts);

} // namespace korvo
