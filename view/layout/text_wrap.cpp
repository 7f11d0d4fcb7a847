// SPDX-License-Identifier: MIT
#include "view/layout/text_wrap.h"

#include <algorithm>

namespace {

int TabWidth(const TextMetrics& metrics)
{
    return std::max(1, 8 * metrics.avgCharWidth);
}

// Width of text[begin, end) as it would be drawn from a line start.
int SpanWidth(std::string_view text, std::size_t begin, std::size_t end, const TextMetrics& metrics)
{
    int x = 0;
    std::size_t runStart = begin;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] != '\t')
            continue;
        if (i > runStart)
            x += metrics.width(text.substr(runStart, i - runStart));
        const int tab = TabWidth(metrics);
        x = (x / tab + 1) * tab;
        runStart = i + 1;
    }
    if (end > runStart)
        x += metrics.width(text.substr(runStart, end - runStart));
    return x;
}

void WrapParagraph(std::string_view text, std::size_t begin, std::size_t end, int width,
                   const TextMetrics& metrics, std::vector<WrappedLine>& out)
{
    std::size_t lineStart = begin;
    const std::size_t linesBefore = out.size();
    bool haveBreak = false;
    std::size_t breakEnd = 0;   // the line would end here (before the blanks)
    std::size_t breakNext = 0;  // and the next one start here (after them)
    std::size_t i = begin;
    while (i < end) {
        if (text[i] == ' ') {
            std::size_t j = i;
            while (j < end && text[j] == ' ')
                ++j;
            if (i > lineStart) {
                haveBreak = true;
                breakEnd = i;
                breakNext = j;
            }
            i = j;
            continue;
        }
        std::size_t k = i;
        while (k < end && text[k] != ' ')
            ++k;
        // Every character is at least one unit wide, so a span of more than
        // width characters cannot fit; measuring only that much keeps a huge
        // text without blanks linear instead of quadratic.
        const std::size_t limit = lineStart + static_cast<std::size_t>(std::max(width, 0)) + 1;
        if (k <= limit && SpanWidth(text, lineStart, k, metrics) <= width) {
            i = k;
            continue;
        }
        if (haveBreak) {
            out.push_back({lineStart, breakEnd - lineStart});
            lineStart = breakNext;
        } else {
            // The word alone is wider than the line: split it.
            std::size_t m = lineStart + 1;
            while (m + 1 <= k && m + 1 <= limit && SpanWidth(text, lineStart, m + 1, metrics) <= width)
                ++m;
            out.push_back({lineStart, m - lineStart});
            lineStart = m;
        }
        haveBreak = false;
        i = lineStart;
    }
    // A paragraph that a split ended exactly needs no empty last line.
    if (lineStart < end || out.size() == linesBefore)
        out.push_back({lineStart, end - lineStart});
}

}  // namespace

std::vector<WrappedLine> WrapText(std::string_view text, int width, const TextMetrics& metrics)
{
    std::vector<WrappedLine> lines;
    std::size_t paraStart = 0;
    for (std::size_t i = 0; i <= text.size();) {
        if (i == text.size()) {
            WrapParagraph(text, paraStart, i, width, metrics, lines);
            break;
        }
        if (text[i] == '\r' || text[i] == '\n') {
            WrapParagraph(text, paraStart, i, width, metrics, lines);
            const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
            i += crlf ? 2 : 1;
            paraStart = i;
            continue;
        }
        ++i;
    }
    return lines;
}

int MeasureTextHeight(std::string_view text, int width, const TextMetrics& metrics)
{
    return static_cast<int>(WrapText(text, width, metrics).size()) * metrics.lineHeight;
}

std::vector<TextRun> LineRuns(std::string_view text, const WrappedLine& line, const TextMetrics& metrics)
{
    std::vector<TextRun> runs;
    const std::size_t end = line.begin + line.length;
    int x = 0;
    std::size_t runStart = line.begin;
    for (std::size_t i = line.begin; i < end; ++i) {
        if (text[i] != '\t')
            continue;
        if (i > runStart) {
            runs.push_back({runStart, i - runStart, x});
            x += metrics.width(text.substr(runStart, i - runStart));
        }
        const int tab = TabWidth(metrics);
        x = (x / tab + 1) * tab;
        runStart = i + 1;
    }
    if (end > runStart)
        runs.push_back({runStart, end - runStart, x});
    return runs;
}

int LineWidth(std::string_view text, const WrappedLine& line, const TextMetrics& metrics)
{
    return SpanWidth(text, line.begin, line.begin + line.length, metrics);
}

std::size_t LineOfOffset(const std::vector<WrappedLine>& lines, std::size_t pos)
{
    if (lines.empty())
        return 0;
    // The last line that begins at or before pos.
    auto it = std::upper_bound(lines.begin(), lines.end(), pos,
                               [](std::size_t p, const WrappedLine& l) { return p < l.begin; });
    return it == lines.begin() ? 0 : static_cast<std::size_t>(it - lines.begin()) - 1;
}
