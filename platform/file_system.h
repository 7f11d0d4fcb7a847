// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The system calls the document's reading and writing needs, so that the
// code that understands the file stays portable C++.

// Where the system calls find the file a path names, for the *at calls:
// a folder and a name in it. A path the system takes in one call is used
// whole (the folder is the current one); a longer one, which the program
// may well have written itself, is reached by opening its folders a stretch
// at a time, each stretch resolved by the kernel as the whole path would
// be (links and ".." included). With `openFolder` the folder is always
// opened, and the name is the path's last part.
class PathPlace final {
public:
    explicit PathPlace(const std::string& path, bool openFolder = false);
    ~PathPlace();
    PathPlace(const PathPlace&) = delete;
    PathPlace& operator=(const PathPlace&) = delete;

    // The errno of a folder that could not be reached, or 0.
    int Error() const { return m_error; }
    int Folder() const { return m_folder; }
    const char* Name() const { return m_name.c_str(); }

private:
    int m_folder;
    std::string m_name;
    int m_error = 0;
};

// Why a file could not be opened for reading.
enum class OpenFailure { None, NotRegular, System };

// Opens the file at `path` for reading if it is a regular file. Anything
// else is refused before it is opened, and it is opened without waiting, so
// that a pipe or a device can neither block the program nor be disturbed by
// it. Returns null on failure, with `why` and, for a system failure, the
// errno in `error`; otherwise `size` is the file's length.
std::FILE* OpenRegularFileForReading(const std::string& path, std::uint64_t& size, OpenFailure& why,
                                     int& error);

// Asks the system to start writing `length` bytes from `offset` of the open
// file to the disk now, so that a later sync waits for less. Only a hint:
// where it is not supported the sync does all of it.
void StartWritingOut(int fd, std::uint64_t offset, std::uint64_t length);

// Reads exactly `n` bytes at `offset` of the open file into `to`, retrying
// short and interrupted reads. Returns why they could not all be read (a
// file that became shorter meanwhile included), or an empty text.
std::string ReadFileAt(std::FILE* file, char* to, std::size_t n, std::uint64_t offset);

// Whether standard error reaches a terminal, where a person started the
// program and reads what it says there.
bool StandardErrorIsTerminal();
