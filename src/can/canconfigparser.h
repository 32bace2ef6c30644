#pragma once

// Reading a configuration report into a CAN settings record: the adapter's GETcfg lines and the module's
// RECALL bytes. Both fail (false, record untouched) when the report is too short.

#include "settings/preferences.h"
#include <QByteArray>
#include <vector>

namespace korvo {

// The lines a whole GETcfg report has (at least).
constexpr int kGetCfgLines = 32;

// GETcfg: at least 32 lines; line k is entry k of the line table (the first line received is entry 0, so
// the baud code, line 5, is the sixth line received) and carries its value two characters after its first
// "=", read as hex (the baud code as decimal). Lines without "=" leave their field as it was.
bool parseGetCfg(const std::vector<QByteArray> &lines, int lineCount, CanRecord &record);
// The first line parseGetCfg reads whose value is not as the adapter prints it ("= " and one or two hex
// digits, the baud code one to three decimal ones, then LF or CR LF): a character lost, doubled or changed on
// the line. -1 when every line read is whole.
int garbledGetCfgLine(const std::vector<QByteArray> &lines);
// RECALL: the request and reply together at least 42 characters; the last 36 are the record's bytes.
bool parseRecall(const QByteArray &text, CanRecord &record, int &charDelay);

} // namespace korvo
