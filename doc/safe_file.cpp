// SPDX-License-Identifier: MIT
#include "doc/safe_file.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error)
{
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        error = std::strerror(err);
        return false;
    };
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        p += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        error = std::strerror(err);
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        error = std::strerror(err);
        return false;
    }
    return true;
}
