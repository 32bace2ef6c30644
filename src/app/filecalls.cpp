#include "filecalls.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvo {

int FileCalls::createUnique(char *nameTemplate)
{
    return ::mkstemp(nameTemplate);
}

int FileCalls::openFile(const char *path, int flags)
{
    return ::open(path, flags | O_CLOEXEC);
}

ssize_t FileCalls::writeSome(int fd, const void *data, size_t size)
{
    return ::write(fd, data, size);
}

int FileCalls::syncFile(int fd)
{
    return ::fsync(fd);
}

int FileCalls::setMode(int fd, mode_t mode)
{
    return ::fchmod(fd, mode);
}

int FileCalls::closeFile(int fd)
{
    return ::close(fd);
}

int FileCalls::hardLink(const char *existing, const char *name)
{
    return ::link(existing, name);
}

int FileCalls::renameFile(const char *from, const char *to)
{
    return ::rename(from, to);
}

int FileCalls::removeFile(const char *path)
{
    return ::unlink(path);
}

FileCalls &systemFileCalls()
{
    static FileCalls calls;
    return calls;
}

} // namespace korvo
