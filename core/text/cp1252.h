// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The file's 8-bit form is Windows-1252 bytes (core/text/text_form.h). These convert between
// those bytes and Unicode.

// The code point of a Windows-1252 byte. The five bytes the code page leaves
// undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same value, so
// every byte survives a round trip.
char32_t Cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(char32_t codePoint);

// Converts the bytes from `from` up to the first `stop` byte or `end` to
// UTF-8, writing at `to`, which needs room for three bytes a byte plus 8
// (whole words are stored); writers size their buffer once and convert
// through the pointer. Returns where the reading stopped (the stop byte or
// `end`) and moves `to` past what was written.
const char* WriteCp1252AsUtf8Until(const char* from, const char* end, char stop, char*& to);
// The same, stopping at the first line feed, carriage return or NUL: the
// bytes a line break or an export's exactness depends on. It stores up to
// 3 bytes past what it writes.
const char* WriteCp1252AsUtf8ToBreak(const char* from, const char* end, char*& to);
// All of `bytes` the same way, line feeds included; returns the end of what
// was written.
char* WriteCp1252AsUtf8(std::string_view bytes, char* to);
// The number of bytes that writes.
std::size_t Cp1252AsUtf8Size(std::string_view bytes);
