// SPDX-License-Identifier: MIT
#include "core/layout/text_wrap.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <type_traits>

#include <unicode/uchar.h>
#include <unicode/uscript.h>

#include "core/text/text_form.h"

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The code point of the character of a text that begins at byte i.
[[gnu::always_inline]] inline char32_t CodePointAt(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80)
        return lead;
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> more);
    for (int k = 1; k <= more && i + k < text.size(); ++k)
        c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return c;
}

// Whether the character of a text at byte i belongs to the one before
// it, as a combining mark, a vowel sign, an emoji modifier or a variation
// selector does, or anything after a zero-width joiner: a line never ends
// between them.
bool JoinsByProperty(char32_t c)
{
    if (c < 0x300)
        return false;  // below the first combining mark
    switch (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK)) {
    case U_GCB_EXTEND:
    case U_GCB_ZWJ:
    case U_GCB_SPACING_MARK:
    case U_GCB_E_MODIFIER:
        return true;
    default:
        return false;
    }
}

constexpr char32_t kZeroWidthJoinerCode = 0x200D;

bool JoinsPrevious(std::string_view text, std::size_t i)
{
    constexpr std::string_view kZeroWidthJoiner = "\xE2\x80\x8D";
    if (i >= kZeroWidthJoiner.size() && text.substr(i - kZeroWidthJoiner.size(), kZeroWidthJoiner.size()) == kZeroWidthJoiner)
        return true;
    return JoinsByProperty(CodePointAt(text, i));
}

// The end of the character at byte i with everything that joins it: the
// first place after i where a line may end.
std::size_t ClusterEnd(std::string_view text, std::size_t i)
{
    do {
        ++i;
        while (i < text.size() && IsContinuationByte(text[i]))
            ++i;
    } while (i < text.size() && JoinsPrevious(text, i));
    return i;
}

// The first byte at or after i that the pitch does not draw with its one
// advance: a line break, a tab, or another byte of another width.
std::size_t NextNotUniform(std::string_view text, std::size_t i, const FixedPitch& pitch)
{
    while (i < text.size() && pitch.Uniform(static_cast<unsigned char>(text[i])))
        ++i;
    return i;
}

// Whether the character beyond ASCII at byte i is drawn with the fixed
// pitch's one advance. Nothing joins it then: a character that would
// (a mark, a joiner) has no advance of its own.
bool HasThePitch(std::string_view text, std::size_t i, const TextMetrics& metrics)
{
    return metrics.advances && metrics.width &&
           metrics.advances->Advance64(CodePointAt(text, i), metrics.width) == metrics.fixedPitch.advance64;
}

int TabWidth(const TextMetrics& metrics)
{
    return std::max(1, 8 * metrics.avgCharWidth);
}

// One character of a wide run with what joins it: its advance in 1/64
// units (-1 when a run with it must be measured) and where the next begins.
struct Advance {
    int advance64;
    std::size_t next;
};

[[gnu::always_inline]] inline Advance AdvanceAt(std::string_view run, std::size_t i, const TextMetrics& metrics)
{
    // An ASCII character that nothing joins is, in a fixed-pitch font, as
    // wide as the pitch says: most of a text. Only a character from
    // U+0300 on (its first byte from 0xCC on) may join it.
    const FixedPitch& pitch = metrics.fixedPitch;
    const auto b = static_cast<unsigned char>(run[i]);
    if (pitch.Active() && pitch.Uniform(b) &&
        (i + 1 == run.size() || static_cast<unsigned char>(run[i + 1]) < 0xCC ||
         !metrics.advances->Joins(CodePointAt(run, i + 1))))
        return {pitch.advance64, i + 1};
    std::size_t characterEnd = i + 1;
    while (characterEnd < run.size() && IsContinuationByte(run[characterEnd]))
        ++characterEnd;
    // Nothing joins a character that a character below U+0300 follows (its
    // first byte below 0xCC), unless it is a joiner; whether another joins
    // is known from a table once it was met.
    const char32_t c = CodePointAt(run, i);
    const bool joined = characterEnd < run.size() &&
                        (c == kZeroWidthJoinerCode || (static_cast<unsigned char>(run[characterEnd]) >= 0xCC &&
                                                       metrics.advances->Joins(CodePointAt(run, characterEnd))));
    if (!joined)
        return {metrics.advances->Advance64(c, metrics.width), characterEnd};
    // The rest of the cluster, asking the table whether each joins.
    std::size_t end = characterEnd;
    for (char32_t before = c; end < run.size();) {
        const char32_t next = CodePointAt(run, end);
        if (before != kZeroWidthJoinerCode && !metrics.advances->Joins(next))
            break;
        before = next;
        ++end;
        while (end < run.size() && IsContinuationByte(run[end]))
            ++end;
    }
    return {metrics.advances->ClusterAdvance64(run.substr(i, end - i), metrics.width), end};
}

// Width of a run as the sum of its characters' advances,
// or -1 when it must be measured.
int SummedWidth(std::string_view run, const TextMetrics& metrics)
{
    if (!metrics.advances || !metrics.width)
        return -1;
    long long sum = 0;
    for (std::size_t i = 0; i < run.size();) {
        const Advance step = AdvanceAt(run, i, metrics);
        if (step.advance64 < 0)
            return -1;
        sum += step.advance64;
        i = step.next;
    }
    return static_cast<int>((sum + 32) >> 6);
}

// Where the paragraph of a text that begins at `begin` ends, when it
// fits whole in width (no more bytes than width + 1, as in Wrap): one walk
// finds its end and sums its advances, where a look for the end and a
// second walk to sum cost twice as much on a key list.
// npos when it does not fit, holds a tab or a run that must be measured.
std::size_t ParagraphEndIfFits(std::string_view text, std::size_t begin, int width, const TextMetrics& metrics)
{
    constexpr std::size_t npos = std::string_view::npos;
    if (!metrics.advances || !metrics.width || width < 0)
        return npos;
    const std::size_t maxBytes = static_cast<std::size_t>(width) + 1;
    // (sum + 32) / 64 <= width
    const long long most = static_cast<long long>(width) * 64 + 31;
    const FixedPitch& pitch = metrics.fixedPitch;
    // ASCII that the pitch draws with its advance: never a tab or a break.
    const bool* const counted = pitch.Active() ? pitch.uniform.data() : nullptr;
    const long long ascii64 = pitch.advance64;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    // A paragraph with more bytes than that does not fit.
    const std::size_t limit = std::min(size, begin + maxBytes + 1);
    const auto breaksHere = [](char c) { return c == '\r' || c == '\n' || c == '\t'; };
    CharacterAdvances& table = *metrics.advances;
    long long sum = 0;
    std::size_t i = begin;
    // Where the character before i began when its advance was taken from
    // the table, and that advance: a character that joins it takes it back.
    std::size_t last = npos;
    int lastAdvance = 0;
    while (i < limit) {
        // Most characters: ASCII as the pitch has it, the basic plane's
        // characters met before as the table has them.
        const unsigned b = bytes[i];
        int known = -1;
        std::size_t length = 1;
        if (b < 0x80) {
            if (counted && counted[b])
                known = static_cast<int>(ascii64);
        } else if (b >= 0xC2 && b < 0xE0 && i + 2 <= size) {
            known = table.KnownAdvance64(((b & 0x1F) << 6) | (bytes[i + 1] & 0x3F));
            length = 2;
        } else if (b >= 0xE0 && b < 0xF0 && i + 3 <= size) {
            known = table.KnownAdvance64(((b & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F));
            length = 3;
        }
        if (known >= 0) {
            // Drawn alone, so it joins nothing before it.
            sum += known;
            last = i;
            lastAdvance = known;
            i += length;
            continue;
        }
        if (b == '\r' || b == '\n')
            break;
        if (b == '\t')
            return npos;
        // A mark or the like (from U+0300 on) after a character from the
        // table: that character is taken again with what joins it.
        if (last != npos && b >= 0xCC && table.Joins(CodePointAt(text, i))) {
            sum -= lastAdvance;
            i = last;
        }
        last = npos;
        const Advance step = AdvanceAt(text, i, metrics);
        // A joiner before a line break or tab would draw them into its
        // cluster, which a run ending at the break never does.
        const std::size_t characterEnd = i + (b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2);
        if (step.advance64 < 0 ||
            (step.next > characterEnd && std::any_of(text.begin() + static_cast<std::ptrdiff_t>(i),
                                                     text.begin() + static_cast<std::ptrdiff_t>(step.next), breaksHere)))
            return npos;
        sum += step.advance64;
        i = step.next;
    }
    return i - begin <= maxBytes && sum <= most ? i : npos;
}

// Whether a text is one paragraph that fits whole in width.
bool TextFitsWhole(std::string_view text, int width, const TextMetrics& metrics)
{
    return ParagraphEndIfFits(text, 0, width, metrics) == text.size();
}

// Width of one run without tabs: counted where the font is fixed-pitch for
// every byte of it (ASCII), summed or measured otherwise.
int RunWidth(std::string_view run, const TextMetrics& metrics)
{
    const FixedPitch& pitch = metrics.fixedPitch;
    const auto uniform = [&](char c) { return pitch.Uniform(static_cast<unsigned char>(c)); };
    if (pitch.Active() && std::all_of(run.begin(), run.end(), uniform))
        return pitch.RunWidth(run.size());
    const int summed = SummedWidth(run, metrics);
    if (summed >= 0)
        return summed;
    return metrics.width(run);
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
            x += RunWidth(text.substr(runStart, i - runStart), metrics);
        const int tab = TabWidth(metrics);
        x = (x / tab + 1) * tab;
        runStart = i + 1;
    }
    if (end > runStart)
        x += RunWidth(text.substr(runStart, end - runStart), metrics);
    return x;
}

// Candidate lines of any paragraph, measured with the width function.
class MeasuredSpans final {
public:
    MeasuredSpans(std::string_view text, const TextMetrics& metrics)
        : m_text(text), m_metrics(metrics)
    {
    }

    int Width(std::size_t lineStart, std::size_t end) const
    {
        if (const std::optional<int> grown = GrownWidth(lineStart, end))
            return *grown;
        return SpanWidth(m_text, lineStart, end, m_metrics);
    }

    // The end of the longest piece from lineStart, at least one character
    // and at most up to last, that fits in width; it ends between
    // characters.
    std::size_t SplitEnd(std::size_t lineStart, std::size_t last, int width) const
    {
        std::size_t m = ClusterEnd(m_text, lineStart);
        for (std::size_t next; m < last && (next = ClusterEnd(m_text, m)) <= last &&
                               Width(lineStart, next) <= width;)
            m = next;
        return m;
    }

private:
    // A line grows a word (or, split, a character) at a time: the advances
    // of what it held are carried forward, not summed again, which made
    // the wrap of a long paragraph quadratic in its lines' length. Only
    // where the line grows between two ASCII characters, so that no
    // cluster spans the seam; std::nullopt where a run must be measured.
    std::optional<int> GrownWidth(std::size_t lineStart, std::size_t end) const
    {
        if (!m_metrics.advances || !m_metrics.width)
            return std::nullopt;
        const auto ascii = [&](std::size_t i) { return static_cast<unsigned char>(m_text[i]) < 0x80; };
        const bool grows = lineStart == m_start && end >= m_end && m_end > lineStart &&
                           (end == m_end || (ascii(m_end) && ascii(m_end - 1)));
        if (!grows) {
            m_start = lineStart;
            m_end = lineStart;
            m_sum64 = 0;
        }
        const std::string_view run = m_text.substr(0, end);
        for (std::size_t i = m_end; i < end;) {
            const Advance step = m_text[i] == '\t' ? Advance{-1, i} : AdvanceAt(run, i, m_metrics);
            if (step.advance64 < 0) {
                m_start = std::string_view::npos;
                return std::nullopt;
            }
            m_sum64 += step.advance64;
            i = step.next;
        }
        m_end = end;
        return static_cast<int>((m_sum64 + 32) >> 6);
    }

    std::string_view m_text;
    const TextMetrics& m_metrics;
    mutable std::size_t m_start = std::string_view::npos;
    mutable std::size_t m_end = 0;
    mutable long long m_sum64 = 0;
};

// Candidate lines of a paragraph whose every character other than a tab has
// the font's one advance: widths are counted, not measured. With tabs the x
// position is carried forward while a line grows, so a line is walked once.
// Characters are counted, so a paragraph of ASCII only counts bytes.
class CountedSpans final {
public:
    CountedSpans(std::string_view text, const TextMetrics& metrics, const FixedPitch& pitch, bool tabs, bool ascii)
        : m_text(text), m_pitch(pitch), m_tab(TabWidth(metrics)), m_tabs(tabs), m_ascii(ascii)
    {
    }

    int Width(std::size_t lineStart, std::size_t end)
    {
        if (!m_tabs)
            return m_pitch.RunWidth(Characters(lineStart, end));
        if (lineStart != m_lineStart || end < m_pos) {
            m_lineStart = m_pos = lineStart;
            m_segmentX = 0;
            m_segmentCharacters = 0;
        }
        for (; m_pos < end; ++m_pos) {
            if (m_text[m_pos] == '\t') {
                const int x = m_segmentX + m_pitch.RunWidth(m_segmentCharacters);
                m_segmentX = (x / m_tab + 1) * m_tab;
                m_segmentCharacters = 0;
            } else if (!IsContinuationByte(m_text[m_pos])) {
                ++m_segmentCharacters;
            }
        }
        return m_segmentX + m_pitch.RunWidth(m_segmentCharacters);
    }

    // As MeasuredSpans::SplitEnd: at least one character, whole ones only.
    std::size_t SplitEnd(std::size_t lineStart, std::size_t last, int width)
    {
        const std::size_t first = Forward(lineStart, 1, m_text.size());
        if (m_tabs) {
            std::size_t m = first;
            for (std::size_t next; m < last && (next = Forward(m, 1, last)) > m && Width(lineStart, next) <= width;)
                m = next;
            return m;
        }
        return std::max(first, Forward(lineStart, Fit(width), last));
    }

    bool HasTabs() const { return m_tabs; }
    // How many characters fit in width from a line's start (without tabs).
    std::size_t Fit(int width) const
    {
        // n characters fit while (n * advance + 32) / 64 <= width.
        const long long room = (static_cast<long long>(width) + 1) * 64 - 33;
        return room < 0 ? 0 : static_cast<std::size_t>(room / m_pitch.advance64);
    }
    // The end of the first n characters from `from`, or of as many of
    // them as end by `limit`.
    std::size_t Forward(std::size_t from, std::size_t n, std::size_t limit) const
    {
        if (m_ascii)
            return from >= limit ? from : from + std::min(n, limit - from);
        std::size_t i = from;
        for (; n > 0 && i < m_text.size(); --n) {
            std::size_t next = i + 1;
            while (next < m_text.size() && IsContinuationByte(m_text[next]))
                ++next;
            if (next > limit)
                break;
            i = next;
        }
        return i;
    }

    // Whether the whole paragraph fits on one line, which is then all of it.
    bool FitsWhole(std::size_t begin, std::size_t end, int width) const
    {
        return !m_tabs && end - begin <= static_cast<std::size_t>(std::max(width, 0)) + 1 &&
               m_pitch.RunWidth(Characters(begin, end)) <= width;
    }

private:
    std::size_t Characters(std::size_t begin, std::size_t end) const
    {
        if (m_ascii)
            return end - begin;
        return static_cast<std::size_t>(std::count_if(m_text.begin() + static_cast<std::ptrdiff_t>(begin),
                                                      m_text.begin() + static_cast<std::ptrdiff_t>(end),
                                                      [](char c) { return !IsContinuationByte(c); }));
    }

    std::string_view m_text;
    const FixedPitch& m_pitch;
    int m_tab;
    bool m_tabs;
    bool m_ascii;
    std::size_t m_lineStart = std::string_view::npos;
    std::size_t m_pos = 0;
    std::size_t m_segmentCharacters = 0;
    int m_segmentX = 0;
};

// The end of the word that begins at i: the next blank, looked for no
// further than just past `limit`. Every character is at least one unit
// wide, so a word reaching past limit cannot fit and is split anyway; a
// huge text without blanks then stays linear.
std::size_t WordEnd(std::string_view text, std::size_t i, std::size_t end, std::size_t limit)
{
    const std::size_t scanEnd = std::min(end, std::max(limit + 1, i + 1));
    const void* blank = std::memchr(text.data() + i, ' ', scanEnd - i);
    return blank ? static_cast<std::size_t>(static_cast<const char*>(blank) - text.data()) : scanEnd;
}

// The rest of a paragraph after `lines` lines, as its last line; a
// paragraph that a split ended exactly needs no empty last line.
template <typename Sink>
bool LastLine(std::size_t lineStart, std::size_t end, std::size_t lines, Sink& sink)
{
    if (lineStart < end || lines == 0)
        return sink(WrappedLine{lineStart, end - lineStart});
    return true;
}

template <typename Sink>
bool WrapCountedLines(std::string_view text, std::size_t begin, std::size_t end, int width,
                      CountedSpans& spans, Sink& sink);

// Wraps text[begin, end), a paragraph without line breaks, handing every
// line to sink; false when the sink asked to stop.
template <typename Spans, typename Sink>
bool WrapParagraph(std::string_view text, std::size_t begin, std::size_t end, int width, Spans& spans,
                   Sink& sink)
{
    if constexpr (std::is_same_v<Spans, CountedSpans>)
        if (!spans.HasTabs())
            return WrapCountedLines(text, begin, end, width, spans, sink);
    std::size_t lineStart = begin;
    std::size_t lines = 0;
    bool haveBreak = false;
    std::size_t breakEnd = 0;   // the line would end here (before the blanks)
    std::size_t breakNext = 0;  // and the next one start here (after them)
    const std::size_t room = static_cast<std::size_t>(std::max(width, 0));
    std::size_t i = begin;
    while (i < end) {
        if (text[i] == ' ') {
            std::size_t j = i;
            while (j < end && text[j] == ' ')
                ++j;
            // A mark on a blank belongs to that blank, which then begins
            // the next word.
            if (j < end && JoinsPrevious(text, j))
                --j;
            if (j > i) {
                if (i > lineStart) {
                    haveBreak = true;
                    breakEnd = i;
                    breakNext = j;
                }
                i = j;
                continue;
            }
        }
        // A word may hold more bytes than the line has units
        // and still fit; it is then split early, but never inside a
        // character.
        const std::size_t limit = lineStart + room + 1;
        const std::size_t k = WordEnd(text, text[i] == ' ' ? i + 1 : i, end, limit);
        if (k <= limit && spans.Width(lineStart, k) <= width) {
            i = k;
            continue;
        }
        WrappedLine line;
        if (haveBreak) {
            line = {lineStart, breakEnd - lineStart};
            lineStart = breakNext;
        } else {
            // The word alone is wider than the line: split it.
            const std::size_t m = spans.SplitEnd(lineStart, std::min(k, limit), width);
            line = {lineStart, m - lineStart};
            lineStart = m;
        }
        ++lines;
        if (!sink(line))
            return false;
        haveBreak = false;
        i = lineStart;
    }
    return LastLine(lineStart, end, lines, sink);
}

// The lines WrapParagraph makes where every character has the one advance
// and there is no tab, found a line at a time instead of a word at a time.
// A word fits when it ends at most `fits` characters after the line's
// start; blanks never break a line by themselves. So a line ends only where
// a non-blank lies at or past that point, and then at the last run of
// blanks that begins within it (one backward search), or, without one, by
// splitting its first word as WrapParagraph does.
template <typename Sink>
bool WrapCountedLines(std::string_view text, std::size_t begin, std::size_t end, int width,
                      CountedSpans& spans, Sink& sink)
{
    const std::size_t room = static_cast<std::size_t>(std::max(width, 0));
    const std::size_t fits = std::min(spans.Fit(width), room + 1);
    std::size_t lineStart = begin;
    std::size_t lines = 0;
    for (;;) {
        // No more bytes than units either, as WrapParagraph has it.
        std::size_t beyond = std::min(spans.Forward(lineStart, fits, end), lineStart + room + 1);
        const std::size_t firstBeyond = beyond;
        while (beyond < end && text[beyond] == ' ')
            ++beyond;
        if (beyond >= end)
            break;  // the rest of the paragraph fits
        const void* blank = fits == 0 ? nullptr : memrchr(text.data() + lineStart + 1, ' ', firstBeyond - lineStart);
        std::size_t runStart = blank ? static_cast<std::size_t>(static_cast<const char*>(blank) - text.data()) : 0;
        while (blank && runStart > lineStart && text[runStart - 1] == ' ')
            --runStart;
        WrappedLine line;
        if (blank && runStart > lineStart) {
            std::size_t next = runStart;
            while (next < end && text[next] == ' ')
                ++next;
            line = {lineStart, runStart - lineStart};
            lineStart = next;
        } else {
            // The line's first word is wider than the line: split it.
            std::size_t word = lineStart;
            while (text[word] == ' ')
                ++word;
            const std::size_t limit = lineStart + room + 1;
            const std::size_t m = spans.SplitEnd(lineStart, std::min(WordEnd(text, word, end, limit), limit), width);
            line = {lineStart, m - lineStart};
            lineStart = m;
        }
        ++lines;
        if (!sink(line))
            return false;
    }
    return LastLine(lineStart, end, lines, sink);
}

// Splits text into paragraphs at CR LF, LF and CR and wraps each, counted
// where the font is fixed-pitch for all of the paragraph's characters.
// Wrapping can also begin at any line's start, `from`: a line begins afresh,
// whatever came before it in its paragraph.
template <typename Sink>
void Wrap(std::string_view text, int width, const TextMetrics& metrics, Sink& sink, std::size_t from = 0)
{
    MeasuredSpans measured(text, metrics);
    std::size_t paraStart = from;
    for (;;) {
        std::size_t i = ParagraphEndIfFits(text, paraStart, width, metrics);
        bool more = true;
        if (i != std::string_view::npos) {
            // A paragraph that fits whole is one line.
            more = sink(WrappedLine{paraStart, i - paraStart});
        } else {
            const FixedPitch& pitch = metrics.fixedPitch;
            bool uniform = pitch.Active();
            bool tabs = false;
            bool onlyAscii = true;
            for (i = paraStart; (i = NextNotUniform(text, i, pitch)) < text.size(); ++i) {
                const auto c = static_cast<unsigned char>(text[i]);
                if (c == '\r' || c == '\n')
                    break;
                if (c == '\t') {
                    tabs = true;
                } else if (uniform && c >= 0x80 && HasThePitch(text, i, metrics)) {
                    onlyAscii = false;
                    while (i + 1 < text.size() && IsContinuationByte(text[i + 1]))
                        ++i;
                } else {
                    uniform = false;
                }
            }
            if (uniform) {
                CountedSpans counted(text, metrics, pitch, tabs, onlyAscii);
                if (counted.FitsWhole(paraStart, i, width))
                    more = sink(WrappedLine{paraStart, i - paraStart});
                else
                    more = WrapParagraph(text, paraStart, i, width, counted, sink);
            } else if (i - paraStart <= static_cast<std::size_t>(std::max(width, 0)) + 1 &&
                       measured.Width(paraStart, i) <= width) {
                // With tabs, or a run measured: still one line when it fits.
                more = sink(WrappedLine{paraStart, i - paraStart});
            } else {
                more = WrapParagraph(text, paraStart, i, width, measured, sink);
            }
        }
        if (!more || i == text.size())
            return;
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        paraStart = i + (crlf ? 2 : 1);
    }
}

// Whether a character's script draws each letter alone, so that its
// advance does not change with its neighbours.
bool DrawnAlone(char32_t c)
{
    if (c < 0x80)
        return true;
    switch (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK)) {
    case U_GCB_OTHER:
    case U_GCB_LV:
    case U_GCB_LVT:
        break;
    default:
        return false;  // marks, joiners, jamo, regional indicators, controls
    }
    UErrorCode error = U_ZERO_ERROR;
    switch (uscript_getScript(static_cast<UChar32>(c), &error)) {
    case USCRIPT_COMMON:
    case USCRIPT_LATIN:
    case USCRIPT_GREEK:
    case USCRIPT_CYRILLIC:
    case USCRIPT_ARMENIAN:
    case USCRIPT_GEORGIAN:
    case USCRIPT_HAN:
    case USCRIPT_HIRAGANA:
    case USCRIPT_KATAKANA:
    case USCRIPT_HANGUL:
    case USCRIPT_BOPOMOFO:
        return U_SUCCESS(error);
    default:
        return false;
    }
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    const int more = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[more] | (c >> (6 * more)));
    for (int k = more - 1; k >= 0; --k)
        out += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
}

}  // namespace

int CharacterAdvances::LearnedAdvance64(char32_t c, const TextWidthFn& measure)
{
    if (c < 0x10000) {
        if (!m_basic)
            m_basic = std::make_unique<int[]>(0x10000);
        int& known = m_basic[c];
        if (known == 0)
            known = Learn(c, measure) + 2;
        return known - 2;
    }
    const auto it = m_others.find(c);
    return it != m_others.end() ? it->second : m_others.emplace(c, Learn(c, measure)).first->second;
}

bool CharacterAdvances::AskedJoins(char32_t c)
{
    if (c >= 0x10000)
        return JoinsByProperty(c);
    if (!m_joins)
        m_joins = std::make_unique<std::uint8_t[]>(0x10000);
    std::uint8_t& known = m_joins[c];
    if (known == 0)
        known = JoinsByProperty(c) ? 2 : 1;
    return known == 2;
}

int CharacterAdvances::ClusterAdvance64(std::string_view cluster, const TextWidthFn& measure)
{
    const auto it = m_clusters.find(cluster);
    if (it != m_clusters.end())
        return it->second;
    const int advance = DrawnAlone(CodePointAt(cluster, 0)) ? LearnPiece(std::string(cluster), measure) : -1;
    return m_clusters.emplace(std::string(cluster), advance).first->second;
}

int CharacterAdvances::Learn(char32_t c, const TextWidthFn& measure)
{
    if (!DrawnAlone(c) || c == '\t' || c == '\r' || c == '\n')
        return -1;
    std::string one;
    AppendUtf8(one, c);
    return LearnPiece(one, measure);
}

// As DetectFixedPitch does for bytes: 64 of the piece give its advance,
// shorter runs and the piece among zeros must agree with it. Unrounded
// widths give the advance of one piece; three of it (a pair kerned or drawn
// as one shows there), and it between two zeros of the rounded widths'
// advance, must then add up exactly.
int CharacterAdvances::LearnPiece(const std::string& one, const TextWidthFn& measure)
{
    if (m_zero64 < 0)
        m_zero64 = std::max(0, measure(std::string(64, '0')));
    if (m_unrounded) {
        const int advance64 = m_unrounded(one);
        if (advance64 < 0 || m_unrounded(one + one + one) != 3LL * advance64 ||
            m_unrounded('0' + one + '0') != 2LL * m_zero64 + advance64)
            return -1;
        return advance64;
    }
    std::string run;
    for (int n = 0; n < 64; ++n)
        run += one;
    const int advance64 = measure(run);
    const auto width = [](long long sum64) { return static_cast<int>((sum64 + 32) >> 6); };
    for (int n : {1, 2, 3, 7}) {
        std::string some;
        for (int k = 0; k < n; ++k)
            some += one;
        if (advance64 < 0 || measure(some) != width(static_cast<long long>(n) * advance64))
            return -1;
    }
    const std::string among = std::string(31, '0') + one + std::string(32, '0');
    if (measure(among) != width(63LL * m_zero64 + advance64))
        return -1;
    return advance64;
}

FixedPitch DetectFixedPitch(const TextWidthFn& width)
{
    FixedPitch none;
    if (!width)
        return none;
    const std::string zeros(64, '0');
    FixedPitch pitch;
    pitch.advance64 = width(zeros);
    if (pitch.advance64 <= 0)
        return none;
    for (std::size_t n : {1, 2, 3, 5, 7, 10, 13, 31, 63, 65, 100, 127, 257, 1000, 4099})
        if (width(std::string(n, '0')) != pitch.RunWidth(n))
            return none;
    for (int b = 0; b < 0x80; ++b) {
        const char c = static_cast<char>(b);
        if (c == '\t' || c == '\r' || c == '\n')
            continue;
        std::string among = zeros;
        among[31] = c;
        pitch.uniform[static_cast<std::size_t>(b)] =
            width(std::string(64, c)) == pitch.advance64 && width(among) == pitch.advance64;
    }
    return pitch;
}

std::vector<WrappedLine> WrapText(std::string_view text, int width, const TextMetrics& metrics)
{
    std::vector<WrappedLine> lines;
    auto keep = [&lines](const WrappedLine& line) {
        lines.push_back(line);
        return true;
    };
    Wrap(text, width, metrics, keep);
    return lines;
}

std::size_t CountWrappedLines(std::string_view text, int width, const TextMetrics& metrics)
{
    std::size_t count = 0;
    auto tally = [&count](const WrappedLine&) {
        ++count;
        return true;
    };
    Wrap(text, width, metrics, tally);
    return count;
}

void ForEachWrappedLine(std::string_view text, int width, const TextMetrics& metrics,
                        const std::function<bool(const WrappedLine&)>& visit)
{
    Wrap(text, width, metrics, visit);
}

void ForEachWrappedLineFrom(std::string_view text, std::size_t from, int width, const TextMetrics& metrics,
                            const std::function<bool(const WrappedLine&)>& visit)
{
    Wrap(text, width, metrics, visit, std::min(from, text.size()));
}

int MeasureTextHeight(std::string_view text, int width, const TextMetrics& metrics)
{
    // Most key words: one line, found before the wrapping is set up.
    if (!text.empty() && TextFitsWhole(text, width, metrics))
        return metrics.lineHeight;
    return static_cast<int>(CountWrappedLines(text, width, metrics)) * metrics.lineHeight;
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
            x += RunWidth(text.substr(runStart, i - runStart), metrics);
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
