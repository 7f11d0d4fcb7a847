// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// UTF-16 code units stored little-endian (the file's UTF-16 form, at any
// alignment) written as UTF-8, for the text form (core/text/text_form.h) and
// for the terminal. A surrogate pair becomes its one character; a lone
// surrogate either keeps its own value in three bytes, so that the units
// come back exactly, or becomes U+FFFD, which real UTF-8 can carry.
enum class LoneSurrogates { Keep, Replace };

// The room a conversion of `units` code units needs at `to`: three bytes a
// unit at most.
constexpr std::size_t Utf16ToUtf8Room(std::size_t units) { return 3 * units; }

// Converts `units` code units at `from`; returns the end of what was written.
char* WriteUtf16LeAsUtf8(const char* from, std::size_t units, char* to, LoneSurrogates lone);
