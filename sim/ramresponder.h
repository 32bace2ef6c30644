#pragma once

// A Veltor's or Fendra's side of the RAM viewer: "pr em" prints the echo mode, "Em=" sets it (2 stops the
// echo of typed characters), "R1=" and "R2=" choose the block (start, count - 1), "PR Pk" prints it as a
// hex dump (four-digit address, 16 bytes a row, an extra blank between the halves). Byte 3 of the memory
// counts the reads, so a second read shows a change.

#include <QByteArray>
#include <memory>

namespace korvo {

class ControllerSim;

void addRamResponder(ControllerSim &controller);

// The rows "PR Pk" prints for count bytes of memory from start.
QByteArray ramDumpRows(const QByteArray &memory, int start, int count);

} // namespace korvo
