// SPDX-License-Identifier: MIT
#include "platform/standard_descriptors.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

std::array<bool, 3> FillClosedStandardDescriptors()
{
    std::array<bool, 3> closed = {};
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            closed[fd] = true;
            const int null = ::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDWR);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
    }
    return closed;
}
