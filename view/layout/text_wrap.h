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
// - CR LF, a lone LF and a lone CR each end a line; a text that ends with a
//   line break ends with an empty line (where the next character would go).
// - Lines break at blanks; the blanks at a break belong to neither line and
//   blanks at the end of a paragraph may run past the right edge. Blanks
//   that open a paragraph are kept, they indent it.
// - A word wider than the whole line is split after the last character that
//   still fits, and at least one character goes on every line, so a narrow
//   rectangle never loops and no character is lost or hidden.
// - Tabs advance to the next multiple of 8 average character widths.
std::vector<WrappedLine> WrapText(std::string_view text, int width, const TextMetrics& metrics);

// Height of the wrapped text: the number of lines times the line height.
int MeasureTextHeight(std::string_view text, int width, const TextMetrics& metrics);

// A piece of one line without tabs, and its x offset from the line's start
// once the tabs before it are expanded. Drawing a line means drawing its runs.
struct TextRun final {
    std::size_t begin = 0;
    std::size_t length = 0;
    int x = 0;
};
std::vector<TextRun> LineRuns(std::string_view text, const WrappedLine& line,
                              const TextMetrics& metrics);

// Width of the line with its tabs expanded.
int LineWidth(std::string_view text, const WrappedLine& line, const TextMetrics& metrics);

// Index of the wrapped line that holds the byte at offset pos (a pos at or
// beyond the end gives the last line).
std::size_t LineOfOffset(const std::vector<WrappedLine>& lines, std::size_t pos);
