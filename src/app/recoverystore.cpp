#include "recoverystore.h"

#include "wholefile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <csignal>
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

RecoveryStore::RecoveryStore(QString folder)
    : m_folder(std::move(folder)), m_sessionStart(QDateTime::currentMSecsSinceEpoch())
{
}

QString RecoveryStore::copyPath(int key) const
{
    // Fixed widths, so that the names sort by session start and then document.
    return QDir(m_folder).filePath(QStringLiteral("%1-%2-%3%4")
                                       .arg(m_sessionStart, 13, 10, QLatin1Char('0'))
                                       .arg(QCoreApplication::applicationPid())
                                       .arg(key, 4, 10, QLatin1Char('0'))
                                       .arg(kSuffix));
}

QString RecoveryStore::defaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
        .filePath(QStringLiteral("recovery"));
}

bool RecoveryStore::keep(int key, const QString &name, const QString &text, QString *error)
{
    // A folder that cannot be made shows in the write below, with the OS's reason.
    QDir().mkpath(m_folder);
    QSaveFile file(copyPath(key));
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

void RecoveryStore::forget(int key)
{
    QFile::remove(copyPath(key));
}

QList<RecoveredDocument> RecoveryStore::documents() const
{
    QList<RecoveredDocument> found;
    QStringList names = QDir(m_folder).entryList({QStringLiteral("*") + kSuffix}, QDir::Files);
    std::sort(names.begin(), names.end());
    for (const QString &fileName : names) {
        const qint64 pid = fileName.section(u'-', 1, 1).toLongLong();
        if (pid > 0 && pid != QCoreApplication::applicationPid() && ::kill(pid_t(pid), 0) == 0)
            continue;
        const QString copyPath = QDir(m_folder).filePath(fileName);
        QByteArray bytes;
        if (!readWholeFile(copyPath, FileKind::Program, &bytes))
            continue;
        const qsizetype newline = bytes.indexOf('\n');
        if (newline < 0)
            continue;
        found.append(
            {QString::fromUtf8(bytes.left(newline)), QString::fromUtf8(bytes.mid(newline + 1)), copyPath});
    }
    return found;
}

void RecoveryStore::discard(const RecoveredDocument &document)
{
    QFile::remove(document.copyPath);
}

} // namespace korvo
