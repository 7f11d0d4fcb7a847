// SPDX-License-Identifier: MIT
#include "platform/file_system.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PathPlace::PathPlace(const std::string& path, bool openFolder) : m_folder(AT_FDCWD)
{
    if (path.size() < PATH_MAX && !openFolder) {
        m_name = path;
        return;
    }
    std::size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    const std::size_t slash = path.rfind('/', end - 1);
    m_name = slash == std::string::npos ? path.substr(0, end) : path.substr(slash + 1, end - slash - 1);
    if (m_name.empty())
        m_name = ".";
    // The folders from the first to the last slash, in stretches that each
    // fit into one call; only search access is needed, as for the whole path.
    const bool absolute = !path.empty() && path.front() == '/';
    m_folder = ::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::size_t from = absolute ? 1 : 0;
    const std::size_t folderEnd = slash == std::string::npos ? 0 : slash;
    while (m_folder >= 0 && from < folderEnd) {
        std::size_t to = folderEnd;
        if (to - from >= PATH_MAX - 1) {
            to = path.rfind('/', from + PATH_MAX - 2);
            if (to == std::string::npos || to <= from)
                to = folderEnd;  // a single part too long: the kernel says so
        }
        const int next = ::openat(m_folder, path.substr(from, to - from).c_str(),
                                  O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int err = errno;
        ::close(m_folder);
        m_folder = next;
        errno = err;
        from = to + 1;
    }
    if (m_folder < 0)
        m_error = errno;
}

PathPlace::~PathPlace()
{
    if (m_folder >= 0)
        ::close(m_folder);
}

std::FILE* OpenRegularFileForReading(const std::string& path, std::uint64_t& size, OpenFailure& why,
                                     int& error)
{
    why = OpenFailure::None;
    const PathPlace place(path);
    if (place.Error() != 0) {
        why = OpenFailure::System;
        error = place.Error();
        return nullptr;
    }
    struct stat st {};
    if (::fstatat(place.Folder(), place.Name(), &st, 0) == 0 && !S_ISREG(st.st_mode)) {
        why = OpenFailure::NotRegular;
        return nullptr;
    }
    const int fd = ::openat(place.Folder(), place.Name(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
