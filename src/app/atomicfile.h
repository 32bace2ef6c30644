#pragma once

// Writes a whole file so that no failure and no crash can cost the user the file that was there: the new
// content goes to a temporary file beside it, which is flushed to the disk and then renamed over the old
// one; the folder is flushed last so that the rename itself survives a power cut. The backup copy is a
// second name for the old file, made before the rename, so that at every moment the old or the new file
// exists under the file's name.

#include "app/filecalls.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace korvo {

class AtomicFile
{
public:
    explicit AtomicFile(const QString &path, FileCalls &calls = systemFileCalls());

    // Keeps the previous file under this name ("motion.bak") when it is replaced; empty keeps none.
    // A backup that cannot be made is given up silently and the save goes on.
    void setBackupPath(const QString &backupPath);

    // Replaces the file with content. False when the new content could not be put in place; the previous
    // file is then as it was and errorString() names the file and the system's reason.
    bool write(const QByteArray &content);
    QString errorString() const { return m_error; }

    // Removes the temporary files that saves of the files at paths left beside them when they were killed
    // half-way, those last changed before the given time (a save that runs now elsewhere is younger). Each
    // folder is listed once, however many of the files it holds.
    static void removeStaleTemporaries(const QStringList &paths, const QDateTime &before);

private:
    // Writes content to a new temporary file in the target's folder and renames it to name; on failure
    // removes the temporary file and returns false with the error set.
    bool replace(const QByteArray &name, const QByteArray &content, bool keepBackup);
    bool writeTemporary(int fd, const QByteArray &content, mode_t mode);
    void keepBackup(const QByteArray &target);
    bool syncFolder();
    bool fail(const QString &what);

    QString m_path;
    QString m_backupPath;
    QByteArray m_folder;
    FileCalls &m_calls;
    QString m_error;
};

} // namespace korvo
