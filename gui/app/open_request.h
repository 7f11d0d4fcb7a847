// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

// The lines a later start and the running program exchange over the
// channel. Every message is one line ending in '\n':
//
//   later start                     running program
//   "open <path>"          ->
//                          <-       "ready"     (at once, even while busy)
//   "go"                   ->                   (the later start ends)
//
// The running program takes the file only on "go", and the later start
// sends "go" only while it still waits, so a request the sender has given
// up on (and opened itself) is never acted on as well. Once taken, the file
// is the running program's to open, whenever it can, and to report on.
namespace open_request {

inline constexpr char kReady[] = "ready";
inline constexpr char kGo[] = "go";

// A request line is short; anything longer is not one of ours.
inline constexpr std::size_t kMaxLine = 16 * 1024;

// "open " and the path with every byte outside [A-Za-z0-9/._~-] written as
// %XX, so that no byte of a name (a line feed, a blank) can end or split the
// line. No line feed is appended.
std::string FormatRequest(const std::string& absolutePath);

// The path of a request line (without its line feed); empty when the line is
// not a request, the encoding is broken, or the path is not absolute or
// contains a NUL byte.
std::optional<std::string> ParseRequest(const std::string& line);

}  // namespace open_request
