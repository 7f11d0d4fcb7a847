// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Converts text from the terminal (UTF-8) to the document's Windows-1252.
enum class Utf8ToCp1252Result {
    Ok,
    Unrepresentable,  // valid UTF-8, but a character the code page has no byte for
    Invalid,          // not UTF-8 at all
};

Utf8ToCp1252Result Utf8ToCp1252(std::string_view utf8, std::string& cp1252);
