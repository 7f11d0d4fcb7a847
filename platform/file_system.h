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
