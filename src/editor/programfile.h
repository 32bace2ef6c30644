#pragma once

// Reading and writing program files: 8-bit Windows-1252 text with CR LF line ends, written so that a
// failed save never damages the file that was there before.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvo {

// Reads a whole program file as UTF-8 bytes, the form the editor keeps its text in (no detour through
// QString for big files); on failure returns false with the OS's description in *error.
bool readProgramFileUtf8(const QString &path, QByteArray *utf8, QString *error);

// File content for the editor's lines (given without terminators): each line loses its trailing spaces
// and ends with CR LF. The editor always has one more line than there are line ends, so an empty last
// line is the position after the final CR LF and is not written; a last line with text is written with
// a CR LF of its own.
QByteArray programFileBytes(const QStringList &lines);

// Splits editor text at CR LF, CR or LF into its lines (an empty text is one empty line).
QStringList editorLines(const QString &text);

enum class KeepBackup { No, Yes };

// Writes content to path atomically; with KeepBackup::Yes an existing file is kept under its backup name
// ("motion.bak"). On failure the old file is untouched and *error holds the OS's description.
bool writeProgramFile(const QString &path, const QByteArray &content, KeepBackup backup, QString *error);

} // namespace korvo
