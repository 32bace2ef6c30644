#pragma once

// What can-read and can-apply share: the --target option, the engine's options from the link, the run
// with its notices on stderr (the module's "Config" boxes wait for Enter on stdin), and the record as the
// preferences file's section.

#include "can/canconfigengine.h"
#include "clicommand.h"

namespace korvo::cli {

// --target module|dongle|monitor, taken out of args; false with a message when missing or unknown.
bool takeCanTarget(QStringList &args, CanTarget *target, QString *error);
CanConfigOptions canJobOptions(CliContext &ctx, CanTarget target, CanConfigOptions::Script script);
// Runs the exchange to its end; the exit code of the contract.
int runCanJob(CliContext &ctx, CanConfigEngine &engine);
// "[MODULE Settings]" for the module, "[DONGLE Settings]" for the adapter and monitor, with their keys.
QByteArray canRecordText(const CanRecord &record, CanTarget target);

} // namespace korvo::cli
