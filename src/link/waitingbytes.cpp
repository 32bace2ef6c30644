#include "link/waitingbytes.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <algorithm>

namespace korvo {

qint64 waitingByteCount(qintptr descriptor)
{
#ifdef Q_OS_UNIX
    int count = 0;
    if (descriptor >= 0 && ::ioctl(int(descriptor), FIONREAD, &count) == 0)
        return count;
#else
    Q_UNUSED(descriptor);
#endif
    return 0;
}

QByteArray takeWaitingBytes(qintptr descriptor)
{
    const qint64 count = waitingByteCount(descriptor);
    if (count <= 0)
        return {};
    QByteArray bytes(count, Qt::Uninitialized);
#ifdef Q_OS_UNIX
    const ssize_t got = ::read(int(descriptor), bytes.data(), size_t(count));
    bytes.resize(std::max<qsizetype>(got, 0));
#endif
    return bytes;
}

} // namespace korvo
