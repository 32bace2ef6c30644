#include "recoverystore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace korvo {

namespace {
const QString kSuffix = QStringLiteral(".krec");

// The rename is only durable once the folder's entry is on disk too.
void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
} // namespace

RecoveryStore::RecoveryStore(QString folder) : m_folder(std::move(folder)) {}

QString RecoveryStore::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("recovery"));
}

bool RecoveryStore::keep(const QString &name, const QString &text, QString *error)
{
    // A folder that cannot be made shows in the write below, with the OS's reason.
    QDir().mkpath(m_folder);
    // Process id, time and a counter keep copies of several documents and sessions apart.
    const QString fileName = QStringLiteral("%1-%2-%3%4")
                                 .arg(QDateTime::currentMSecsSinceEpoch())
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(++m_written)
                                 .arg(kSuffix);
    QSaveFile file(QDir(m_folder).filePath(fileName));
    const QByteArray bytes = name.toUtf8() + '\n' + text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error =
                QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
        return false;
    }
    syncFolder(m_folder);
    return true;
}

QList<RecoveredDocument> RecoveryStore::documents() const
{
    QList<RecoveredDocument> found;
    QStringList names = QDir(m_folder).entryList({QStringLiteral("*") + kSuffix}, QDir::Files);
    // The leading time stamp orders them; equal widths until the year 2286.
    std::sort(names.begin(), names.end());
    for (const QString &fileName : names) {
        QFile file(QDir(m_folder).filePath(fileName));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        const qsizetype newline = bytes.indexOf('\n');
        if (newline < 0)
            continue;
        found.append({QString::fromUtf8(bytes.left(newline)), QString::fromUtf8(bytes.mid(newline + 1)),
                      file.fileName()});
    }
    return found;
}

void RecoveryStore::discard(const RecoveredDocument &document)
{
    QFile::remove(document.copyPath);
}

} // namespace korvo
