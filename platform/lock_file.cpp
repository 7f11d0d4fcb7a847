// SPDX-License-Identifier: MIT
#include "platform/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

int TakeLock(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Another process holds the lock; the file stays as it is.
        close(fd);
        return -1;
    }
    return fd;
}

void ReleaseLock(int lockDescriptor) { close(lockDescriptor); }
