// SPDX-License-Identifier: MIT
#include "platform/file_system.h"

#include <cerrno>
#include <cstring>


#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* OpenRegularFileForReading(const std::string& path, std::uint64_t& size, OpenFailure& why,
                                     int& error)
{
    why = OpenFailure::None;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        why = OpenFailure::NotRegular;
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        why = OpenFailure::System;
        error = errno;
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        why = OpenFailure::System;
        error = errno;
        ::close(fd);
        return nullptr;
    }
    // It may have been replaced since it was looked at.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = OpenFailure::NotRegular;
        std::fclose(file);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return file;
}

void StartWritingOut(int fd, std::uint64_t offset, std::uint64_t length)
{
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

std::string ReadFileAt(std::FILE* file, char* to, std::size_t n, std::uint64_t offset)
{
    const int fd = fileno(file);
    while (n > 0) {
        const ssize_t got = ::pread(fd, to, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::strerror(errno);
        if (got == 0)
            return "the file became shorter while it was read";
        to += got;
        offset += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
    return {};
}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}
