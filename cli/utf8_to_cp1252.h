// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Converts text from the terminal or a text file (UTF-8) to the document's
// Windows-1252.
enum class Utf8ToCp1252Result {
    Ok,
    Unrepresentable,  // valid UTF-8, but a character the code page has no byte for
    Invalid,          // not UTF-8 at all
};

// Where the first problem lies: the offset of the character (or of the byte
// that is not UTF-8) in the input, and for an unrepresentable character its
// code point.
struct Utf8Problem final {
    std::size_t offset = 0;
    char32_t codePoint = 0;
};

// Converts all of `utf8`; a character the code page cannot hold is left out.
// `problem`, when given, receives the first problem.
Utf8ToCp1252Result Utf8ToCp1252(std::string_view utf8, std::string& cp1252,
                                Utf8Problem* problem = nullptr);
