#pragma once

// The RAM viewer's address blocks (the presets of "Select Address Block") and the register named at each
// byte of a block, for the hint under the mouse pointer.

#include <QString>
#include <QStringList>

namespace korvo {

struct RamBlock
{
    QString name;    // "FPGA", "Motor", "CPU", "CAN", "IntTmr", "SCDACs", "Other"
    QString address; // preset of "RAM Address (hex)"
    QString count;   // preset of "Byte Count to View (decimal)"
    int tableSize;   // register table entries; 0 for "Other"
};

namespace ramregisters {

// The blocks in the list's order.
const QList<RamBlock> &blocks();
// One text per byte offset from the block's start: empty, a bare register name, or the name with its
// eight bit names ("IDXIMSK: - | ENC_INDX | ... || ... | FAULT_INT").
QStringList table(const QString &blockName);
// The hint for the character at column of a dump line of block blockName (empty when there is none).
QString hint(const QString &blockName, const QString &line, int column);

} // namespace ramregisters
} // namespace korvo
