#pragma once

// Several links at once: the same command on each, one korvo-cli process per link, one summary at the end.

#include <QStringList>

namespace korvo::cli {

// True when args name more than one link (--port/--tcp repeated, or --links FILE).
bool isRack(const QStringList &args);
// Runs the command on every link; the exit code: 0 when every link succeeded, 1 when any failed, 2 for
// unusable options, 130 after Ctrl+C.
int runRack(QStringList args);

} // namespace korvo::cli
