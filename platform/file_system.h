// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The system calls the document's reading and writing needs, so that the
// code that understands the file stays portable C++.

// Why a file could not be opened for reading.
enum class OpenFailure { None, NotRegular, System };

// Opens the file at `path` for reading if it is a regular file. Anything
// else is refused before it is opened, and it is opened without waiting, so
// that a pipe or a device can neither block the program nor be disturbed by
// it. Returns null on failure, with `why` and, for a system failure, the
// errno in `error`; otherwise `size` is the file's length.
std::FILE* OpenRegularFileForReading(const std::string& path, std::uint64_t& size, OpenFailure& why,
                                     int& error);

// Zeroed memory of at least `size` bytes, asked for in huge pages where the
// system offers them: filling a large buffer then costs no fault for each
// small page. Throws std::bad_alloc when there is none.
class CHugePageBuffer final {
public:
    explicit CHugePageBuffer(std::uint64_t size);
    ~CHugePageBuffer();
    CHugePageBuffer(const CHugePageBuffer&) = delete;
    CHugePageBuffer& operator=(const CHugePageBuffer&) = delete;
    char* data() const { return m_pData; }

private:
    void* m_pMapped = nullptr;
    std::size_t m_nMapped = 0;
    char* m_pData = nullptr;
};

// Reads up to `size` bytes of the open file into `to`, retrying short and
// interrupted reads, and returns how many came before its end; a failure
// sets `error` to its errno.
std::uint64_t ReadFromFile(std::FILE* file, char* to, std::uint64_t size, int& error);

// Asks the system to start writing `length` bytes from `offset` of the open
// file to the disk now, so that a later sync waits for less. Only a hint:
// where it is not supported the sync does all of it.
void StartWritingOut(int fd, std::uint64_t offset, std::uint64_t length);
