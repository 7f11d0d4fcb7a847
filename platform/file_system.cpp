// SPDX-License-Identifier: MIT
#include "platform/file_system.h"

#include <cerrno>
#include <new>

#include <fcntl.h>
#include <sys/mman.h>
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

CHugePageBuffer::CHugePageBuffer(std::uint64_t size)
{
    constexpr std::size_t kHuge = 2 << 20;
    m_nMapped = (size + kHuge - 1) / kHuge * kHuge + kHuge;
    void* p = ::mmap(nullptr, m_nMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    m_pMapped = p;
    m_pData = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1));
    ::madvise(m_pData, m_nMapped - kHuge, MADV_HUGEPAGE);
}

CHugePageBuffer::~CHugePageBuffer()
{
    ::munmap(m_pMapped, m_nMapped);
}

std::uint64_t ReadFromFile(std::FILE* file, char* to, std::uint64_t size, int& error)
{
    const int fd = fileno(file);
    std::uint64_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, to + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0)
            break;
        got += static_cast<std::uint64_t>(n);
    }
    return got;
}

void StartWritingOut(int fd, std::uint64_t offset, std::uint64_t length)
{
    ::sync_file_range(fd, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}
