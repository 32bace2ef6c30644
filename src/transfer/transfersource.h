#pragma once

// Where a download's text comes from: a listing file, or an edit window's text, which is first saved to
// "ZELTERM.~_~" (in a build's own folder, else the user's data folder) and read back from there; the
// temporary file is removed when the download has its lines.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvo {

class TransferSource
{
public:
    static inline const QString kTemporaryName = QStringLiteral("ZELTERM.~_~");

    // The whole file; false with the OS's reason.
    static bool readFile(const QString &path, QByteArray *bytes, QString *error);
    // Saves text to the temporary file in the first folder that takes it, reads it back into *bytes and
    // removes it. False with the OS's reason of the last folder tried.
    static bool throughTemporary(const QByteArray &text, const QStringList &folders, QByteArray *bytes,
                                 QString *error);
    // The folder the program writes its own files in (see writableFolder), then the user's data folder.
    static QStringList temporaryFolders(const QString &programDir);
};

} // namespace korvo
