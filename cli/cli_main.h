// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>

// The command-line tools, run before any window exists:
//   ovrin --list FILE                          key words of every entry, one a line
//   ovrin --find TEXT [--descriptions] FILE    "number<TAB>key words" of every hit
//   ovrin --export FILE                        every entry as a recutils record set
// Entry numbers count from 1 in document order. Output is UTF-8.
// Exit status: 0 done (--find: hits), 1 --find found nothing (or an export
// could not keep every text exactly), 2 usage error or unreadable/damaged
// file, with a message on standard error and nothing on standard output.
// Returns std::nullopt when argv[1] is none of these options, so the
// program goes on to start its windows.
std::optional<int> RunCommandLineTool(int argc, char** argv);

// The same, writing to the given streams (the tests capture them).
std::optional<int> RunCommandLineTool(int argc, char** argv, std::ostream& out,
                                      std::ostream& err);
