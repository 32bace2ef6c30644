#pragma once

// What the benchmarks that talk to korvo-sim share: starting it from the benchmark's own folder on a pty, and
// the Veltor listings they move.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class QProcess;

namespace korvo::bench {

// Starts korvo-sim with args (which include --pty) and returns the pty's path; empty, with the reason
// printed, when it did not start.
QString startSimOnPty(QProcess &sim, const QStringList &args);

// A Veltor listing: its variables section with that many values, then one program of that many lines.
QList<QByteArray> veltorListing(int variables, int programLines);

} // namespace korvo::bench
