// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string_view>
#include <vector>

// Word wrapping as the views and the printer share it, over a callback that
// gives the width of a run of text (no tabs, no line breaks) in the units of
// the device: pixels on screen, twips on paper.
using TextWidthFn = std::function<int(std::string_view)>;

struct TextMetrics final {
    TextWidthFn width;     // width of a run of characters
    int lineHeight = 0;    // height of one line
    int avgCharWidth = 0;  // tab stops lie at multiples of 8 of these
};

// One wrapped line: the bytes [begin, begin + length) of the text.
struct WrappedLine final {
    std::size_t begin = 0;
    std::size_t length = 0;
};

// Breaks text into the lines it takes in a rectangle of the given width.
// An empty text is one empty line.
std::vector<WrappedLine> WrapText(std::string_view text, int width, const TextMetrics& metrics);

// Height of the wrapped text: the number of lines times the line height.
int MeasureTextHeight(std::string_view text, int width, const TextMetrics& metrics);
