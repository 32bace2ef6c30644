#pragma once

// What korvo-cli's upload, download and verify share: the transfer request from the link options and
// --sections/--program, and the listing file a download or verify reads.

#include "clicommand.h"
#include "transfer/transferrequest.h"

namespace korvo::cli {

// --read-twice and --reads N (upload, verify), for their help.
inline const CliItem kReadTwiceHelp{
    "--read-twice", "for a noisy line: read every section again until two readings in a row agree (fails "
                    "naming the first differing line when they never do)"};
inline const CliItem kReadsHelp{"--reads N", "as --read-twice, with N readings in a row alike (1 to 9)"};

// The request for ctx's device, or nothing (the message printed) when no device type was given or
// --sections names an unknown section or one the device does not have.
std::optional<TransferRequest> transferRequest(CliContext &ctx, QStringList &args);
// Takes --read-twice and --reads N into request; false (the message printed) for a bad N.
bool takeReadings(CliContext &ctx, QStringList &args, TransferRequest *request);
// The listing's lines, or nothing (the message printed; *exitCode set).
std::optional<QList<QByteArray>> readListing(CliContext &ctx, const QString &path, int *exitCode);
// The figures of a transfer engine on ctx's link, as the progress line tells them.
std::function<QString()> transferProgress(CliContext &ctx, const DeviceEngine &engine, const qint64 *linesIn);
// Runs an upload of request (no sections named: every section the device has) and hands every listing
// line to onLine; the exit code.
int runUpload(CliContext &ctx, TransferRequest request, const std::function<void(const QString &)> &onLine);

} // namespace korvo::cli
