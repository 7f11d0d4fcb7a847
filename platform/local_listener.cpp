// SPDX-License-Identifier: MIT
#include "platform/local_listener.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Room for every connection of a burst to wait while the program is short
// of descriptors; the system caps it at its own maximum.
constexpr int kBacklog = 128;

}  // namespace

int ListenLocal(const std::string& path)
{
    sockaddr_un address {};
    if (path.empty() || path.size() >= sizeof address.sun_path)
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, kBacklog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

AcceptOutcome AcceptLocal(int listener, int* fd)
{
    for (;;) {
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            *fd = connection;
            return AcceptOutcome::Accepted;
        }
        switch (errno) {
        case EINTR:
            continue;
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            return AcceptOutcome::OutOfDescriptors;
        default:
            // EAGAIN, or a connection its sender closed before it was taken.
            return AcceptOutcome::NoneWaiting;
        }
    }
}

void CloseLocal(int fd)
{
    if (fd >= 0)
        ::close(fd);
}
