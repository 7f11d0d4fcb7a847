// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>

// The most memory a document's table may take: the computer's physical
// memory, or less where the process is limited (ulimit -v, -d). A table
// beyond it is refused with a message instead of being read until the
// kernel ends the program.
std::uint64_t MemoryBudget();

// Roughly what one string of a table costs: its view and its bytes.
inline std::uint64_t TableStringFootprint(std::string_view s)
{
    return sizeof(std::string_view) + s.size();
}
