// SPDX-License-Identifier: MIT
#include "platform/read_in_pieces.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadInPieces(const std::string& from, const std::function<bool(std::string_view)>& take,
                  std::string& error)
{
    int fd = STDIN_FILENO;
    if (from != "-") {
        const auto refused = [&](const struct stat& st) {
            if (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode)) return false;
            error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is a device or a socket, not a file or a pipe";
            return true;
        };
        struct stat st {};
        if (::stat(from.c_str(), &st) != 0) {
            error = std::strerror(errno);
            return false;
        }
        if (refused(st)) return false;
        fd = ::open(from.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            error = std::strerror(errno);
            return false;
        }
        // It may have been replaced since it was looked at.
        if (::fstat(fd, &st) != 0 || refused(st)) {
            ::close(fd);
            return false;
        }
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = std::strerror(errno);
            ok = false;
        }
        if (n <= 0 || !take(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) break;
    }
    if (fd != STDIN_FILENO) ::close(fd);
    return ok;
}
