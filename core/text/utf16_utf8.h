// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// UTF-16 code units stored little-endian (the file's UTF-16 form, at any
// alignment) written as UTF-8, for the wide text form (core/text/text_form.h) and
// for the terminal. A surrogate pair becomes its one character; a lone
// surrogate either keeps its own value in three bytes, so that the units
// come back exactly, or becomes U+FFFD, which real UTF-8 can carry.
enum class LoneSurrogates { Keep, Replace };

// The room a conversion of `units` code units needs at `to`: three bytes a
// unit and a margin, since whole vectors are stored.
constexpr std::size_t Utf16ToUtf8Room(std::size_t units) { return 3 * units + 32; }

// Converts `units` code units at `from`; returns the end of what was written.
// It takes the widest vectors the processor runs.
char* WriteUtf16LeAsUtf8(const char* from, std::size_t units, char* to, LoneSurrogates lone);

// The converters behind it, for the tests to hold each to the same results:
// one unit at a time;
char* WriteUtf16LeAsUtf8Portable(const char* from, std::size_t units, char* to, LoneSurrogates lone);
// ASCII sixteen units a step (SSE2, on every x86-64), other units one by one;
char* WriteUtf16LeAsUtf8Sse2(const char* from, std::size_t units, char* to, LoneSurrogates lone);
// sixteen units of one or two UTF-8 bytes each a step (AVX2); only when
// HasAvx2Utf16ToUtf8() is true.
bool HasAvx2Utf16ToUtf8();
char* WriteUtf16LeAsUtf8Avx2(const char* from, std::size_t units, char* to, LoneSurrogates lone);
// sixteen units of any length a step (AVX-512 with byte compression); only
// when HasAvx512Utf16ToUtf8() is true.
bool HasAvx512Utf16ToUtf8();
char* WriteUtf16LeAsUtf8Avx512(const char* from, std::size_t units, char* to, LoneSurrogates lone);
