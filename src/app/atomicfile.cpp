#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace korvo {

namespace {
// mkstemp creates files that only their owner may read; a new file gets what open() would have given it.
mode_t newFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

QByteArray baseName(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// What mkstemp puts in place of the XXXXXX of a temporary file's name (see replace()).
constexpr qsizetype kUniqueLength = 6;
} // namespace

void AtomicFile::removeStaleTemporaries(const QStringList &paths, const QDateTime &before)
{
    QHash<QString, QSet<QString>> namesByFolder;
    for (const QString &path : paths) {
        const QFileInfo target(path);
        namesByFolder[target.absolutePath()].insert(target.fileName());
    }
    for (auto it = namesByFolder.cbegin(); it != namesByFolder.cend(); ++it) {
        QDir folder(it.key());
        const QStringList candidates =
            folder.entryList({QStringLiteral(".*.") + QString(kUniqueLength, u'?')},
                             QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : candidates) {
            // ".<file name>.<unique>": the file name itself may hold dots.
            const QStringView unique = QStringView(name).last(kUniqueLength);
            const QString target = name.sliced(1, name.size() - kUniqueLength - 2);
            const bool fromMkstemp = std::all_of(unique.begin(), unique.end(), [](QChar c) {
                return c.unicode() < 0x80 && c.isLetterOrNumber();
            });
            if (fromMkstemp && it.value().contains(target) &&
                QFileInfo(folder.filePath(name)).lastModified() < before)
                folder.remove(name);
        }
    }
}

AtomicFile::AtomicFile(const QString &path, FileCalls &calls) : m_path(path), m_calls(calls) {}

void AtomicFile::setBackupPath(const QString &backupPath)
{
    m_backupPath = backupPath;
}

bool AtomicFile::write(const QByteArray &content)
{
    m_error.clear();
    // Saving through a symbolic link replaces the file it points to and keeps the link.
    const QFileInfo info(m_path);
    const QFileInfo target(info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath());
    m_folder = QFile::encodeName(target.absolutePath());
    return replace(QFile::encodeName(target.absoluteFilePath()), content, !m_backupPath.isEmpty()) &&
           syncFolder();
}

bool AtomicFile::replace(const QByteArray &name, const QByteArray &content, bool backup)
{
    QByteArray temp = m_folder + "/." + baseName(name) + ".XXXXXX";
    const int fd = m_calls.createUnique(temp.data());
    if (fd < 0)
        return fail(QStringLiteral("cannot be written"));
    struct stat old = {};
    const bool exists = ::stat(name.constData(), &old) == 0;
    if (!writeTemporary(fd, content, exists ? old.st_mode & 07777 : newFileMode())) {
        m_calls.removeFile(temp.constData());
        return false;
    }
    if (backup && exists)
        keepBackup(name);
    if (m_calls.renameFile(temp.constData(), name.constData()) != 0) {
        fail(QStringLiteral("cannot be replaced"));
        m_calls.removeFile(temp.constData());
        return false;
    }
    return true;
}

bool AtomicFile::writeTemporary(int fd, const QByteArray &content, mode_t mode)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t written = m_calls.writeSome(fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written == 0)
            errno = ENOSPC; // a write that makes no progress means the disk is full
        ok = written > 0;
        if (ok) {
            data += written;
            left -= written;
        }
    }
    ok = ok && m_calls.setMode(fd, mode) == 0 && m_calls.syncFile(fd) == 0;
    if (!ok) {
        fail(QStringLiteral("cannot be written"));
        m_calls.closeFile(fd);
        return false;
    }
    // Network file systems may report a failed write only when the file is closed.
    if (m_calls.closeFile(fd) != 0)
        return fail(QStringLiteral("cannot be written"));
    return true;
}

void AtomicFile::keepBackup(const QByteArray &target)
{
    const QByteArray backup = QFile::encodeName(QFileInfo(m_backupPath).absoluteFilePath());
    if (m_calls.removeFile(backup.constData()) != 0 && errno != ENOENT)
        return;
    if (m_calls.hardLink(target.constData(), backup.constData()) == 0)
        return;
    // File systems that cannot give one file two names (FAT, some network shares) get a copy instead.
    QFile old(QFile::decodeName(target));
    if (!old.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = old.readAll();
    if (old.error() != QFileDevice::NoError)
        return;
    replace(backup, bytes, false);
    m_error.clear(); // the save goes on without its backup
}

bool AtomicFile::syncFolder()
{
    const int fd = m_calls.openFile(m_folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return fail(QStringLiteral("cannot be flushed to the disk"));
    // Some file systems cannot flush a folder (EINVAL); their renames are as safe as they get.
    const bool ok = m_calls.syncFile(fd) == 0 || errno == EINVAL;
    if (!ok)
        fail(QStringLiteral("cannot be flushed to the disk"));
    m_calls.closeFile(fd);
    return ok;
}

bool AtomicFile::fail(const QString &what)
{
    const int error = errno;
    m_error = QStringLiteral("%1 %2: %3")
                  .arg(QDir::toNativeSeparators(m_path), what, QString::fromLocal8Bit(std::strerror(error)));
    errno = error;
    return false;
}

} // namespace korvo
