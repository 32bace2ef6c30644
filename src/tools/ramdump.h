#pragma once

// The RAM viewer's dump as text: the rows the controller printed for the requested block (four-digit
// address, 16 bytes a row, three characters a byte, an extra space between the halves), the column
// header, and which characters changed since the previous read of the same address.

#include <QString>
#include <vector>

namespace korvo {

struct DumpRun
{
    QString text;
    bool changed = false;

    bool operator==(const DumpRun &other) const = default;
};

namespace ramdump {

constexpr int kAddressField = 7; // "0200" and three blanks
constexpr int kBytesPerRow = 16;

// The printed rows from the requested address on (the address box left-padded to four hex digits, found
// in the upper-cased reply), as many rows as the count needs; empty when the address is not in the reply.
QString extract(const QByteArray &printed, const QString &addressBox, int count);
// The first row of an extracted dump that is clearly damaged, quoted; empty when every row is whole. A whole
// row is its address (a separator may follow it) and a two-digit hex value for each byte of the row; what
// follows the bytes is the controller's. The dump has no check of its own: this finds a character lost or
// turned into a non-digit on the line, not one digit changed into another.
QString garbledRow(const QString &dump, const QString &addressBox, int count);
// "        0  1 ...  F", cut after the last byte of the first row when the count is smaller than a row.
QString header(int count);
// The dump in runs of unchanged and changed characters: a character differs from the one at the same
// place of the previous dump and neither is a blank. compare is false after the address changed.
std::vector<DumpRun> mark(const QString &dump, const QString &previous, bool compare);

} // namespace ramdump
} // namespace korvo
