#include "link/waitingbytes.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

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

} // namespace korvo
