// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Hands `take` the bytes of the file at `from` ("-": standard input) piece
// by piece, until their end or until `take` returns false; false, with the
// reason in `error`, when they cannot be read. Only a regular file, a pipe
// or standard input is read: a device may never end (/dev/zero) or change
// by reading.
bool ReadInPieces(const std::string& from, const std::function<bool(std::string_view)>& take,
                  std::string& error);
