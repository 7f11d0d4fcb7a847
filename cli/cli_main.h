// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>
#include <span>

#include "core/start/command_line.h"

class OutputSink;

// The command-line modes, run before any window exists: the usage and help
// texts are made from their table. Entry numbers count from 1 in document order;
// output is UTF-8.
// Exit status: 0 done (--find: hits), 1 --find found nothing (or an export
// could not keep every text exactly), 2 usage error, unreadable or damaged
// file, or output that could not be written, with a message on standard
// error.
// Returns std::nullopt when the arguments ask for the window program: none
// at all, a file, and the start-up switches /p, /pt and /dde. Any other
// option is a usage error, so that a mistyped option never opens a window
// on a file of that name.
std::optional<int> RunCommandLineTool(int argc, char** argv);

// The same, writing to the given sink or streams (the tests capture them).
std::optional<int> RunCommandLineTool(int argc, char** argv, OutputSink& out, std::ostream& err);
std::optional<int> RunCommandLineTool(int argc, char** argv, std::ostream& out,
                                      std::ostream& err);

// The table of modes, in the order the usage lists them.
std::span<const CommandMode> ToolModes();
