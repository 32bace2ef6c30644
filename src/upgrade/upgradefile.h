#pragma once

// An upgrade file (Intel 8-bit HEX): its record lines, the scan that totals the bytes to send and takes the
// identity records out, and the field reads every rule uses. Plain functions, no widgets.

#include "upgrade/upgradeidentity.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

class QIODevice;

namespace korvo {

// Fields of a record line (1-based positions of the line as the format gives them); a field the line is too
// short for reads as 0.
struct RecordFields
{
    int count = 0;
    int address = 0;
    int type = 0;
    QChar bankDigit; // position 10: the first digit of a type-02 segment

    static RecordFields of(const QByteArray &line);
};
// Data byte i of a record as a number (two hex digits from position 10 + 2i).
int recordByte(const QByteArray &line, int index);

constexpr int kBankBytes = 0x10000;

struct UpgradeScan
{
    QByteArrayList records; // every line that starts with ":", in file order, without its line end
    qint64 totalBytes = 0;  // data bytes that will be sent: the progress denominator
    QString versionText;    // the file's firmware version ("Upgrade Version:")
    double versionNumber = 0;
    QChar kindLetter;        // Orv/Brel: the file kind
    QString coreVersionText; // uKorvo
    bool valid = false;      // at least one data record
    QString damage;          // the first damaged record: its line and what is wrong; empty for a sound file

    // A file that must not be sent: no data record, or a damaged one.
    bool refused() const { return !valid || !damage.isEmpty(); }
};

// Scans the text of an upgrade file (lines end in CR, LF or CR LF) for the given device type: types 1, 4 and
// 5 look for their identity records, the others are only counted.
UpgradeScan scanUpgradeText(const QByteArray &text, DeviceType device);
// Reads and scans a whole file; error gets the OS's description when it cannot be read.
std::optional<UpgradeScan> scanUpgradeFile(const QString &path, DeviceType device, QString *error);
// What the wizard says about a doubtful scan (empty when nothing is doubtful). A refused file says why; the
// others are notes, as a sound file with no bytes for this controller is still accepted.
QString scanProblem(const UpgradeScan &scan, DeviceType device);

} // namespace korvo
