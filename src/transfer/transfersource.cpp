#include "transfer/transfersource.h"

#include "app/programfolders.h"
#include "app/wholefile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace korvo {

bool TransferSource::readFile(const QString &path, QByteArray *bytes, QString *error)
{
    return readWholeFile(path, FileKind::Program, bytes, error);
}

bool TransferSource::throughTemporary(const QByteArray &text, const QStringList &folders, QByteArray *bytes,
                                      QString *error)
{
    *error = QStringLiteral("No folder to write \"%1\" in").arg(kTemporaryName);
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(kTemporaryName);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
            continue;
        }
        const bool read = readFile(path, bytes, error);
        QFile::remove(path);
        return read;
    }
    return false;
}

QStringList TransferSource::temporaryFolders(const QString &programDir)
{
    const QString first = writableFolder(programDir);
    const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return first == userData ? QStringList{first} : QStringList{first, userData};
}

} // namespace korvo
