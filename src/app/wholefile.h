#pragma once

// Reading a file whole. Only a regular file is read: a device such as /dev/zero never ends and a FIFO
// blocks until a writer comes, so both are refused, without waiting, before a byte is read. A file larger
// than any real file of its kind could be is refused too, so that a wrong name cannot exhaust the memory.

#include <QByteArray>
#include <QString>

namespace korvo {

enum class FileKind {
    Preferences, // a workspace, a CAN settings file, a links file
    Program,     // a program in an edit window, its recovery copy, a listing to download
    Upgrade,     // firmware, Intel HEX included
    Keywords,    // a keyword list of the syntax colouring
};

// The largest file of the kind that is read.
qint64 largestFile(FileKind kind);

// The whole content of the file at path. On failure error (when given) says why, without the name, which
// the caller shows with its own words: the system's reason, or that the file is no regular file or too large.
bool readWholeFile(const QString &path, FileKind kind, QByteArray *bytes, QString *error = nullptr);

} // namespace korvo
