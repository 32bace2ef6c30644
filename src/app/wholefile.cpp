#include "wholefile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

namespace {

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

bool failWithSystemReason(QString *error)
{
    return fail(error, QString::fromLocal8Bit(std::strerror(errno)));
}

QString kindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Preferences:
        return QStringLiteral("settings file");
    case FileKind::Program:
        return QStringLiteral("program");
    case FileKind::Upgrade:
        return QStringLiteral("upgrade file");
    case FileKind::Keywords:
        return QStringLiteral("keyword list");
    }
    return {};
}

} // namespace

qint64 largestFile(FileKind kind)
{
    constexpr qint64 kMiB = 1024 * 1024;
    switch (kind) {
    case FileKind::Preferences:
        // Nine terminals of a hundred key groups with full-length keys come to about 20 MB.
        return 64 * kMiB;
    case FileKind::Program:
        return 16 * kMiB;
    case FileKind::Upgrade:
        return 32 * kMiB;
    case FileKind::Keywords:
        return 4 * kMiB;
    }
    return 0;
}

bool readWholeFile(const QString &path, FileKind kind, QByteArray *bytes, QString *error)
{
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait; the type is checked before reading.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return failWithSystemReason(error);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0)
        return failWithSystemReason(error);
    if (!S_ISREG(info.st_mode))
        return fail(error, QStringLiteral("it is not a regular file"));
    const qint64 limit = largestFile(kind);
    const QString tooLarge =
        QStringLiteral("it is larger than any %1 could be (%2 bytes at most)").arg(kindName(kind)).arg(limit);
    if (info.st_size > limit)
        return fail(error, tooLarge);
    QByteArray content;
    content.resize(qsizetype(info.st_size));
    qsizetype filled = 0;
    for (;;) {
        // A file that grows while it is read is read on, up to the limit.
        if (filled == content.size()) {
            if (filled > limit)
                return fail(error, tooLarge);
            content.resize(std::min<qsizetype>(filled + 65536, qsizetype(limit) + 1));
        }
        const ssize_t got = ::read(fd, content.data() + filled, size_t(content.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failWithSystemReason(error);
        if (got == 0)
            break;
        filled += got;
    }
    content.truncate(filled);
    *bytes = std::move(content);
    return true;
}

} // namespace korvo
