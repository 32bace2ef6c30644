#pragma once

// Small text helpers shared by every subsystem.

#include <QString>
#include <optional>

namespace korvo {

// Value of a hexadecimal string (lHex_To_Long); digits beyond "F" follow the same arithmetic, empty gives 0.
int32_t hexToLong(const QString &hex);
// Val: leading blanks skipped, an optional sign, digits with an optional point; the rest is ignored. Empty
// when the text holds no number at all.
std::optional<double> leadingNumber(const QString &text);
// Removes the spaces before every CR or LF; the terminators themselves stay.
QString trimLineEnds(const QString &text);
// The part of a path after its last separator ("\" or "/").
QString fileNameOnly(const QString &path);
// The extension of a file name in capitals ("VXT"), without its dot; empty when it has none.
QString extensionTag(const QString &path);
// Name the previous file is kept under when it is overwritten: "motion.kxt" -> "motion.bak", "prog" ->
// "prog.bak".
QString backupFileName(const QString &path);
// Version text "major.mmm.rrr".
QString versionText(int major, int minor, int revision);

} // namespace korvo
