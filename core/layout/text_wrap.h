// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <string_view>
#include <utility>
#include <vector>

// Word wrapping as the views and the printer share it, over a callback that
// gives the width of a run of text (no tabs, no line breaks) in the units of
// the device: pixels on screen, twips on paper.
//
// Texts are UTF-8 (core/text/text_form.h) and offsets are bytes of it. A
// line ends only between characters, never inside one's bytes nor before a
// combining mark or joiner that belongs to the character before it.
using TextWidthFn = std::function<int(std::string_view)>;

// The pitch of a fixed-pitch font: the ASCII characters marked uniform all
// have one advance, kept in 1/64 units as font engines keep it, and a run of n
// of them is as wide as n advances rounded once: (n * advance64 + 32) / 64.
// Wrapping a paragraph made of such characters is then arithmetic on
// character counts instead of a measurement per candidate line.
struct FixedPitch final {
    int advance64 = 0;                // 0: no fixed pitch, every run is measured
    std::array<bool, 0x80> uniform{};  // the ASCII characters drawn with that advance

    bool Active() const { return advance64 > 0; }
    bool Uniform(unsigned char byte) const { return byte < 0x80 && uniform[byte]; }
    int RunWidth(std::size_t n) const
    {
        return static_cast<int>((static_cast<long long>(n) * advance64 + 32) >> 6);
    }
};

// Finds the fixed pitch of a width function: the width of 64 zeros gives
// the advance, every run length that is tried must agree with it, and an
// ASCII character is uniform when 64 of it, and one of it among zeros, are
// as wide as 64 zeros. A proportional font gives an inactive pitch or few
// uniform characters; the advances of the others are learnt (see
// CharacterAdvances) or their runs measured.
FixedPitch DetectFixedPitch(const TextWidthFn& width);

// The advances of a text's characters, learnt as they are met, so
// that most runs of other scripts are summed instead of measured. A
// character is summed when its width adds up as the fixed pitch's
// characters do (runs of it, and it among zeros, are as wide as its one
// advance says) and its script draws each letter alone (Latin, Greek,
// Cyrillic, Chinese, Japanese, Korean syllables, common symbols); a letter
// with its marks, or an emoji sequence, is learnt as one piece the same
// way. Letters of scripts that shape letters together make their run
// measured.
class CharacterAdvances final {
public:
    CharacterAdvances() = default;
    // With `unrounded`, the width of a run of UTF-8 in the same font in 1/64
    // units as the font engine sums it before rounding, a character is
    // learnt from three short runs with it instead of runs of 64 of it:
    // an emoji's advance is found by decoding its picture, once for every
    // copy measured.
    explicit CharacterAdvances(TextWidthFn unrounded) : m_unrounded(std::move(unrounded)) {}

    // The advance of c in 1/64 units, or -1 when a run with c must be
    // measured; `measure` gives the width of a run of UTF-8.
    int Advance64(char32_t c, const TextWidthFn& measure)
    {
        // Once learnt, a look into a table: summing a key list of wide
        // texts asks this for nearly every character.
        if (c < 0x10000 && m_basic && m_basic[c] != 0)
            return m_basic[c] - 2;
        return LearnedAdvance64(c, measure);
    }
    // The advance of c (below U+10000) as learnt so far, without learning:
    // -2 while not yet met, -1 when runs with it are measured. A character
    // with an advance is drawn alone, so it joins no character before it.
    int KnownAdvance64(char32_t c) const { return m_basic ? m_basic[c] - 2 : -2; }
    // The same for a character beyond the basic plane (an emoji...).
    int KnownOtherAdvance64(char32_t c) const
    {
        const auto it = m_others.find(c);
        return it == m_others.end() ? -2 : it->second;
    }
    // The same for a character with what joins it, given as UTF-8.
    int ClusterAdvance64(std::string_view cluster, const TextWidthFn& measure);
    // Its advance as learnt so far: -2 while not yet met.
    int KnownClusterAdvance64(std::string_view cluster) const
    {
        const auto it = m_clusters.find(cluster);
        return it == m_clusters.end() ? -2 : it->second;
    }
    // Whether c belongs to the character before it (a combining mark, a
    // vowel sign, an emoji modifier...), asked of ICU once per character.
    bool Joins(char32_t c)
    {
        if (c < 0x300)
            return false;  // below the first combining mark
        if (c < 0x10000 && m_joins && m_joins[c] != 0)
            return m_joins[c] == 2;
        return AskedJoins(c);
    }

private:
    int LearnedAdvance64(char32_t c, const TextWidthFn& measure);
    bool AskedJoins(char32_t c);
    int Learn(char32_t c, const TextWidthFn& measure);
    int LearnPiece(const std::string& piece, const TextWidthFn& measure);

    int m_zero64 = -1;  // the advance of '0', against which a character is placed
    TextWidthFn m_unrounded;
    std::unique_ptr<int[]> m_basic;  // the basic plane, 0 until learnt, else advance + 2
    std::unordered_map<char32_t, int> m_others;
    std::unique_ptr<std::uint8_t[]> m_joins;  // the basic plane: 0 until asked, 1 no, 2 joins
    // Looked up by the cluster's bytes in the text, without a copy of them.
    struct ClusterHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, int, ClusterHash, std::equal_to<>> m_clusters;
};

struct TextMetrics final {
    TextMetrics() = default;
    TextMetrics(TextWidthFn widthFn, int lineHeightUnits, int avgCharWidthUnits)
        : width(std::move(widthFn)), lineHeight(lineHeightUnits), avgCharWidth(avgCharWidthUnits)
    {
    }

    TextWidthFn width;     // width of a run of UTF-8
    // Shared by the copies of these metrics and kept with the font; unset,
    // every run beyond the pitch is measured.
    std::shared_ptr<CharacterAdvances> advances;
    int lineHeight = 0;    // height of one line
    int avgCharWidth = 0;  // tab stops lie at multiples of 8 of these
    FixedPitch fixedPitch; // inactive unless the font was found fixed-pitch
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

// The number of lines WrapText gives, without keeping them.
std::size_t CountWrappedLines(std::string_view text, int width, const TextMetrics& metrics);

// The lines WrapText gives, one by one, until visit returns false: drawing
// stops at the bottom of the window without wrapping the rest of the text.
void ForEachWrappedLine(std::string_view text, int width, const TextMetrics& metrics,
                        const std::function<bool(const WrappedLine&)>& visit);
// The same from `from`, the start of one of those lines, on: a line begins
// afresh whatever came before it, so the lines given are exactly WrapText's
// from that one on.
void ForEachWrappedLineFrom(std::string_view text, std::size_t from, int width, const TextMetrics& metrics,
                            const std::function<bool(const WrappedLine&)>& visit);

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
