#pragma once

// Windows-1252, the 8-bit text of preferences files, controller programs and terminal traffic, and the
// UTF-8 check that lets the preferences reader accept files saved as UTF-8.

#include <QByteArray>
#include <QString>
#include <optional>

namespace korvo {

// Decodes Windows-1252; the five bytes that code page leaves undefined map to the C1 controls of the
// same value, so every byte string decodes and re-encodes unchanged.
QString decodeCp1252(const char *data, qsizetype size);
// The same appended to out.
void appendCp1252Text(QString &out, QByteArrayView bytes);
// Encodes to Windows-1252; nothing when a character has no byte in that code page.
std::optional<QByteArray> encodeCp1252(QStringView text);
// Text typed or pasted by the user as the bytes the device gets (Windows-1252; others become '?').
QByteArray encodeForDevice(const QString &text);
// True when the bytes are valid UTF-8 and hold at least one multi-byte sequence: such a file or line was
// written as UTF-8 (Windows-1252 text with accented letters is practically never valid UTF-8).
bool looksLikeUtf8(QByteArrayView bytes);

} // namespace korvo
