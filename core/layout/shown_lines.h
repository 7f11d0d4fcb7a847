// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// A text field shows a stored text in UTF-16 with every line break (CR LF, a
// lone CR or LF) as one "\n". For a Windows-1252 text, where every
// character is one column, the lines are found while the text is widened,
// so a huge text is walked once.

// Where the shown lines start (in UTF-16 units; the first at 0), and the
// longest line's length.
struct ShownLines {
    std::vector<long long> starts{0};
    long long longest = 0;
};

// Writes the Windows-1252 `bytes` as UTF-16 at `to`, which has room for
// bytes.size() units, and returns the end.
char16_t* WidenCp1252(std::string_view bytes, char16_t* to);

// The same with each line break as one "\n", filling `lines`.
char16_t* WidenCp1252WithLineBreaks(std::string_view bytes, char16_t* to, ShownLines& lines);
