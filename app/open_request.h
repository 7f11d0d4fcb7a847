// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

// The lines a later start and the running program exchange over the
// channel. Every message is one line ending in '\n':
//
//   later start                     running program
//   "open <path>"          ->
//                          <-       "ready"     (it can act now)
//   "go"                   ->                   (still waiting: act)
//                          <-       "opened" | "failed" | "declined"
//
// The running program acts only after "go", and the later start sends "go"
// only while it still waits, so a request the sender has given up on (and
// opened itself) is never acted on as well. "failed" means the running
// program tried and has told the user why; "declined" means it did not try
// (busy, closing, or the user cancelled), so the later start opens the file
// itself.
namespace open_request {

inline constexpr char kReady[] = "ready";
inline constexpr char kGo[] = "go";
inline constexpr char kOpened[] = "opened";
inline constexpr char kFailed[] = "failed";
inline constexpr char kDeclined[] = "declined";

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
