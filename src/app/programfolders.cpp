#include "programfolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace korvo {

QString dataFolder(const QString &programDir)
{
    const QString installed = QDir(programDir).filePath(QStringLiteral("../share/korvoterm"));
    return QFileInfo(installed).isDir() ? QDir::cleanPath(installed) : programDir;
}

QString writableFolder(const QString &programDir, FileCalls &calls)
{
    // An installed program leaves its installation alone, also when it could write there (run as root).
    // Otherwise asking for permission bits is not enough: root passes them, a read-only mount does not.
    // Only creating a file tells.
    const bool installed = dataFolder(programDir) != programDir;
    QByteArray probe = QFile::encodeName(QDir(programDir).filePath(QStringLiteral(".korvoterm-XXXXXX")));
    const int fd = programDir.isEmpty() || installed ? -1 : calls.createUnique(probe.data());
    if (fd >= 0) {
        calls.closeFile(fd);
        calls.removeFile(probe.constData());
        return programDir;
    }
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(userData);
    return userData;
}

QString defaultCaptureFile(const QString &programDir)
{
    return QDir(writableFolder(programDir)).filePath(QStringLiteral("Capture.txt"));
}

} // namespace korvo
