#pragma once

// The operating-system calls that whole-file writes are made of, behind one interface so that tests can
// make any single step fail with the error a full disk, a read-only folder or a refused rename gives.
// Each call returns what its POSIX namesake returns and leaves the reason in errno.

#include <sys/types.h>

namespace korvo {

class FileCalls
{
public:
    virtual ~FileCalls() = default;
    // mkstemp: creates and opens a new file from a name ending in "XXXXXX", which it fills in.
    virtual int createUnique(char *nameTemplate);
    virtual int openFile(const char *path, int flags);
    virtual ssize_t writeSome(int fd, const void *data, size_t size);
    virtual int syncFile(int fd);
    virtual int setMode(int fd, mode_t mode);
    virtual int closeFile(int fd);
    virtual int hardLink(const char *existing, const char *name);
    virtual int renameFile(const char *from, const char *to);
    virtual int removeFile(const char *path);
};

// The calls that go straight to the system.
FileCalls &systemFileCalls();

} // namespace korvo
