// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>

// The most memory a document's table may take: the computer's physical
// memory, or less where the process is limited (ulimit -v, -d). A table
// beyond it is refused with a message instead of being read until the
// kernel ends the program.
std::uint64_t MemoryBudget();

// Roughly what one string of a table costs: its pointer slot, the string
// object and the allocator's header, plus its text when that does not fit
// in the object itself.
inline std::uint64_t TableStringFootprint(const std::string& s)
{
    constexpr std::uint64_t kObject = sizeof(void*) + sizeof(std::string) + 16;
    return kObject + (s.capacity() > 15 ? s.capacity() + 1 + 16 : 0);
}
