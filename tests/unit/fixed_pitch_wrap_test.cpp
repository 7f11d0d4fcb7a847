// SPDX-License-Identifier: MIT
// Wrapping by character counts in a fixed-pitch font gives exactly the lines measuring gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/text/text_form.h"
#include "core/layout/text_wrap.h"
#include "core/layout/wrap_index.h"

namespace {
// A font of 1/64 advances, a run's width rounded once as engines do; most bytes share `common`.
TextMetrics FontOf(const std::array<int, 256>& advance64, int lineHeight, int avgCharWidth)
{
    TextMetrics m;
    m.width = [advance64](std::string_view run) {
        long long sum = 0;
        for (char c : run)
            sum += advance64[static_cast<unsigned char>(c)];
        return static_cast<int>((sum + 32) >> 6);
    };
    m.lineHeight = lineHeight;
    m.avgCharWidth = avgCharWidth;
    return m;
}

std::array<int, 256> Advances(int common, const std::vector<std::pair<int, int>>& others)
{
    std::array<int, 256> a{};
    a.fill(common);
    for (auto [byte, advance] : others)
        a[static_cast<std::size_t>(byte)] = advance;
    return a;
}

// Corner texts: blank runs, over-long words, CR LF, lone CR/LF, tabs, every byte (printable edges stop the scans).
std::vector<std::string> CornerTexts()
{
    std::string every, words;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b) + std::string(b % 5 ? "" : " ");
    for (int i = 0; i < 40; ++i)
        words += std::string(1 + i % 13, static_cast<char>('a' + i % 26)) + (i % 9 ? " " : "\xE4\xF6\xFC\xDF\x80, ");
    return {"", " ", "aaa bbb  ccc     dddd ", std::string(300, 'w') + " x", "one\r\ntwo\rthree\nfour\r\n\r\n",
            "a\tb\t\tc d\te\t", every, words, "W\x80W i\x01i \xAD-\x7F " + words + "\r\n" + words,
            std::string(40, ' ') + "x" + std::string(40, ' ')};
}

void ExpectSameAsMeasured(const char* name, const std::array<int, 256>& advances, int avgCharWidth)
{
    const TextMetrics measured = FontOf(advances, 16, avgCharWidth);
    TextMetrics counted = measured;
    counted.fixedPitch = DetectFixedPitch(measured.width);
    ASSERT_TRUE(counted.fixedPitch.Active()) << name;

    const std::vector<std::string> texts = CornerTexts();
    for (std::size_t n = 0; n < texts.size(); ++n) {
        const std::string& text = texts[n];
        // 32 advances of 501/64 are 250.5, which rounds up past 250.
        for (int width : {-3, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 50, 64, 65, 250, 333, 585, 965}) {
            const std::vector<WrappedLine> want = WrapText(text, width, measured);
            const std::vector<WrappedLine> got = WrapText(text, width, counted);
            ASSERT_EQ(got.size(), want.size()) << name << " width " << width << " text #" << n;
            for (std::size_t l = 0; l < want.size(); ++l) {
                ASSERT_EQ(got[l].begin, want[l].begin) << name << " width " << width << " line " << l;
                ASSERT_EQ(got[l].length, want[l].length) << name << " width " << width << " line " << l;
                ASSERT_EQ(LineWidth(text, got[l], counted), LineWidth(text, want[l], measured));
            }
            ASSERT_EQ(CountWrappedLines(text, width, counted), want.size());
            // Resumed at a line's start, the same lines follow until the caller stops.
            const std::size_t k = want.size() / 2;
            std::vector<WrappedLine> rest;
            ForEachWrappedLineFrom(text, want[k].begin, width, counted, [&](const WrappedLine& l) {
                rest.push_back(l);
                return rest.size() < 3;
            });
            ASSERT_EQ(rest.size(), std::min<std::size_t>(3, want.size() - k));
            for (std::size_t l = 0; l < rest.size(); ++l)
                ASSERT_EQ(rest[l].begin, want[k + l].begin) << name << " width " << width << " from " << k;
        }
    }
}

// Integral (hinted screen) and fractional (printer) advances, with bytes of other and of no width.
TEST(FixedPitchWrap, CountedLinesEqualMeasuredLines)
{
    ExpectSameAsMeasured("integral", Advances(8 * 64, {{0x80, 13 * 64}, {0x01, 0}, {'W', 9 * 64}}), 8);
    ExpectSameAsMeasured("fractional", Advances(501, {{0xAD, 0}, {'i', 300}}), 7);
    ExpectSameAsMeasured("under one unit", Advances(40, {}), 1);
    // Printable ASCII all alike, as in a screen font: the scan must stop at every other byte.
    ExpectSameAsMeasured("screen", Advances(8 * 64, {{0x80, 13 * 64}, {0x01, 0}, {0xAD, 0}, {0x7F, 0}}), 8);
}

// Wide texts (CJK and emoji double width; marks, joiners, modifiers none; marked blanks) break between characters only,
// not before a joining one, only blanks/breaks between lines; an over-wide line is one character; counting matches measuring.
TEST(FixedPitchWrap, WideTextsBreakOnlyBetweenCharacters)
{
    const auto joins = [](char32_t c, char32_t before) { return c == 0x301 || c == 0x200D || c == 0x1F3FD || before == 0x200D; };
    // In 1/64 units: \u0416 kerned after another, a third arrow in a row and \u20AC beside 0 narrower.
    const auto advance = [](char32_t c) { return c == 0x301 || c == 0x200D || c == 0x1F3FD ? 0 : c >= 0x4E00 || c == 0x416 ? 1000 : c > 0xFFFF ? 816 : 512; };
    const TextWidthFn unrounded = [&](std::string_view run) {
        const std::string text = std::string(run);
        std::u32string s(2, 0);
        for (TextCharacters chars(text); !chars.AtEnd();)
            s += chars.Next();
        int sum = 0;
        for (std::size_t i = 2; i < s.size(); ++i)
            sum += advance(s[i]) - (s[i] == 0x416 && s[i - 1] == 0x416 ? 40 : 0) - (s[i] == 0x2192 && s[i - 1] == s[i] && s[i - 2] == s[i] ? 20 : 0) -
                   ((s[i] == '0' && s[i - 1] == 0x20AC) || (s[i] == 0x20AC && s[i - 1] == '0') ? 30 : 0);
        return sum;
    };
    TextMetrics measured = FontOf(Advances(8 * 64, {}), 16, 8);
    measured.width = [&](std::string_view run) { return (unrounded(run) + 32) >> 6; };
    TextMetrics counted = measured;
    counted.fixedPitch = DetectFixedPitch(measured.width);
    const char* pieces[] = {"ab", "  ", "\r\n", "\u4E2D\u6587", "e\u0301", " \u0301", "\U0001F468\u200D\U0001F469",
                            "\U0001F44D\U0001F3FD", "\u0141\u00F3d\u017A", "word\t", "\u03A3\u03AF\u03C3",
                            "\u041C\u0416\u0438", "\u03B1\u0301", "\u4E2D\u0301", "\u0416\u0416", "\u2192\u2192\u2192", "0\u20AC"};
    std::mt19937 rng(5);
    for (int n = 0; n < 600; ++n) {
        if (n % 300 == 0)  // learnt from runs of 64, then from unrounded widths
            counted.advances = std::make_shared<CharacterAdvances>(n == 0 ? TextWidthFn{} : unrounded);
        std::string text;
        for (int p = static_cast<int>(rng() % 30); p > 0; --p)
            text.append(rng() % 8 ? pieces[rng() % std::size(pieces)] : std::string(rng() % 40, 'x'));
        std::vector<char32_t> at(text.size(), 0);  // the character that begins at each byte
        std::vector<char32_t> before(text.size(), 0);
        char32_t last = 0;
        for (std::size_t i = 0; i < text.size(); ++i)
            if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                at[i] = TextCharacters(text.substr(i, 4)).Next();
                before[i] = std::exchange(last, at[i]);
            }
        const auto between = [&](std::size_t i) { return i == text.size() || (at[i] != 0 && !joins(at[i], before[i])); };
        for (int width : {0, 1, 8, 15, 16, 17, 40, 100, 333}) {
            const std::vector<WrappedLine> lines = WrapText(text, width, measured);
            const std::vector<WrappedLine> fast = WrapText(text, width, counted);
            ASSERT_EQ(fast.size(), lines.size()) << n << " width " << width;
            ASSERT_EQ(MeasureTextHeight(text, width, counted), static_cast<int>(lines.size()) * 16) << n << " width " << width;
            std::size_t end = 0;
            for (std::size_t l = 0; l < lines.size(); ++l) {
                const WrappedLine& line = lines[l];
                ASSERT_TRUE(fast[l].begin == line.begin && fast[l].length == line.length) << n << " width " << width;
                ASSERT_EQ(LineWidth(text, line, counted), LineWidth(text, line, measured)) << n << " width " << width;
                ASSERT_TRUE(between(line.begin) && between(line.begin + line.length)) << n << " width " << width;
                ASSERT_GE(text.find_first_not_of(" \r\n", end), line.begin) << n << " width " << width;
                end = line.begin + line.length;
                WrappedLine trimmed = line;
                while (trimmed.length > 0 && text[trimmed.begin + trimmed.length - 1] == ' ')
                    --trimmed.length;
                std::size_t characters = 0;
                for (std::size_t i = line.begin; i < trimmed.begin + trimmed.length; ++i)
                    characters += at[i] != 0 && !joins(at[i], before[i]);
                ASSERT_TRUE(LineWidth(text, trimmed, measured) <= width || characters == 1) << n << " width " << width;
            }
            ASSERT_EQ(text.find_first_not_of(" \r\n", end), std::string::npos) << n << " width " << width;
        }
    }
    // A joiner before a line break does not draw the break into its cluster.
    const std::string joiner = "x\u200D\r\ny";
    const auto ends = [&](const TextMetrics& m) {
        std::vector<std::size_t> at;
        for (const WrappedLine& line : WrapText(joiner, 100, m))
            at.push_back(line.begin + line.length);
        return at;
    };
    EXPECT_EQ(ends(counted), ends(measured));
}

// A wide key word summed from learnt advances is as high as measured: just fitting and one unit less,
// marks after ASCII and others, emoji sequences, ASCII after a joiner; two CJK advances end half a unit off.
TEST(FixedPitchWrap, WideKeyWordsFitAsMeasured)
{
    const auto advance64 = [](char32_t c) {
        return c == 0x301 || c == 0x200D || c == 0x1F3FD ? 0 : c >= 0x4E00 ? 16 * 64 + 16 : c >= 0x80 ? 9 * 64 : 8 * 64;
    };
    TextMetrics measured = FontOf(Advances(8 * 64, {}), 16, 8);
    measured.width = [&](std::string_view run) {
        long long sum = 0;
        const std::string text = std::string(run);
        for (TextCharacters chars(text); !chars.AtEnd();)
            sum += advance64(chars.Next());
        return static_cast<int>((sum + 32) >> 6);
    };
    TextMetrics summed = measured;
    summed.fixedPitch = DetectFixedPitch(measured.width);
    summed.advances = std::make_shared<CharacterAdvances>();
    const std::string words[] = {"Za\u017C\u00F3\u0142\u0107 plan \u4E2D\u6587", "e\u0301te\u0301 budget \u03B1\u0301",
                                 "\u4E2D\u0301\u0301 \u041C\u0416 x", "\U0001F44D\U0001F3FD trip \U0001F600",
                                 "\U0001F468\u200D\U0001F469 family", "meeting x\u200Dy letter", "\u0301 mark first",
                                 std::string(62, 'a') + "\u4E2D\u6587\u0301 \u03A3\u03AF\u03C3 bb \u4E2D"};
    for (const std::string& word : words) {
        const std::string& text = word;
        const int fits = measured.width(word);
        // Measured, then learnt, so the second pass sums.
        for (int pass = 0; pass < 2; ++pass)
            for (int width : {fits - 1, fits})
                ASSERT_EQ(MeasureTextHeight(text, width, summed), MeasureTextHeight(text, width, measured))
                    << word << " width " << width;
    }
}

// A long text's index names line starts at most 256 apart and counts its lines.
TEST(FixedPitchWrap, IndexesLongTexts)
{
    const TextMetrics measured = FontOf(Advances(512, {{0x80, 13 * 64}}), 16, 8);
    TextMetrics counted = measured;
    counted.fixedPitch = DetectFixedPitch(measured.width);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += std::string(i % 5 == 0 ? 200 : 20, 'w') + " and more words\r\n";
    CWrapIndex index;
    index.Update(text, 250, counted, "f");
    const std::vector<WrappedLine> all = WrapText(text, 250, counted);
    ASSERT_EQ(index.LineCount(), all.size());
    for (std::size_t line : {std::size_t{0}, std::size_t{255}, std::size_t{256}, std::size_t{1000}, all.size() - 1,
                             all.size() + 50}) {
        const CWrapIndex::LineStart start = index.StartAtOrBefore(line);
        ASSERT_LT(start.line, all.size());
        EXPECT_LE(start.line, line);
        EXPECT_LT(std::min(line, all.size() - 1) - start.line, 256u);
        EXPECT_EQ(start.offset, all[start.line].begin);
    }
    // Another width, or the same text forgotten after it changed.
    index.Update(text, 40, counted, "f");
    EXPECT_EQ(index.LineCount(), CountWrappedLines(text, 40, counted));
    text.replace(0, 5000, std::string(5000, 'x'));
    index.Forget();
    index.Update(text, 40, counted, "f");
    EXPECT_EQ(index.LineCount(), CountWrappedLines(text, 40, counted));
}

// The fast path only where a run's width is characters times one advance: never for kerning, no font, other widths.
TEST(FixedPitch, FoundOnlyWhereRunsAddUp)
{
    // Which bytes share the pitch decides the lines, which the property above compares.
    const FixedPitch ascii = DetectFixedPitch(FontOf(Advances(501, {{0x80, 300}, {0x7F, 0}}), 16, 8).width);
    EXPECT_TRUE(std::all_of(ascii.uniform.begin() + 0x20, ascii.uniform.begin() + 0x7F, [](bool u) { return u; }));
    // A width rounded per character (8 each) is a pitch of 512, not 501.
    const TextWidthFn perCharacter = [](std::string_view s) {
        return static_cast<int>(s.size()) * ((501 + 32) >> 6);
    };
    EXPECT_EQ(DetectFixedPitch(perCharacter).advance64, 512);
    const TextWidthFn kerned = [](std::string_view s) {
        return static_cast<int>(s.size()) * 8 - static_cast<int>(s.size() / 10);
    };
    EXPECT_FALSE(DetectFixedPitch(kerned).Active());
    EXPECT_FALSE(DetectFixedPitch(TextWidthFn{}).Active());
}
}  // namespace

