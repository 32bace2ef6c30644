#pragma once

// What korvo-cli's upload, download and verify share: the transfer request from the link options and
// --sections/--program, and the listing file a download or verify reads.

#include "clicommand.h"
#include "transfer/transferrequest.h"

namespace korvo::cli {

// What --read-twice does, for upload's and verify's help.
inline constexpr const char *kReadTwiceHelp =
    "for a noisy line: read every section twice and take it when two readings agree (fails naming the "
    "first differing line when they never do)";

// The request for ctx's device, or nothing (the message printed) when no device type was given or
// --sections names an unknown section or one the device does not have.
std::optional<TransferRequest> transferRequest(CliContext &ctx, QStringList &args);
// The listing's lines, or nothing (the message printed; *exitCode set).
std::optional<QList<QByteArray>> readListing(CliContext &ctx, const QString &path, int *exitCode);
// The figures of a transfer engine on ctx's link, as the progress line tells them.
std::function<QString()> transferProgress(CliContext &ctx, const DeviceEngine &engine, const qint64 *linesIn);
// Runs an upload of request (no sections named: every section the device has) and hands every listing
// line to onLine; the exit code.
int runUpload(CliContext &ctx, TransferRequest request, const std::function<void(const QString &)> &onLine);

} // namespace korvo::cli
