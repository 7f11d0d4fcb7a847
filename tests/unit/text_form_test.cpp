// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/cp1252.h"
#include "core/text/text_form.h"
#include "core/text/utf16_utf8.h"

namespace {
// UTF-8 of Windows-1252 bytes, code point by code point.
std::string Reference(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        const char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(c));
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// Where the converter stopped (first LF; WriteCp1252AsUtf8ToBreak also at CR and NUL) and what it wrote.
void ExpectConverts(bool toBreak, const std::string& text)
{
    std::string out(3 * text.size() + 16, '\0');
    char* to = out.data();
    const char* end = text.data() + text.size();
    const char* stopped = toBreak ? WriteCp1252AsUtf8ToBreak(text.data(), end, to)
                                  : WriteCp1252AsUtf8Until(text.data(), end, '\n', to);
    const std::size_t stop =
        std::min(toBreak ? text.find_first_of(std::string_view("\n\r", 3)) : text.find('\n'), text.size());
    ASSERT_EQ(stopped - text.data(), static_cast<std::ptrdiff_t>(stop)) << toBreak;
    out.resize(static_cast<std::size_t>(to - out.data()));
    ASSERT_EQ(out, Reference(std::string_view(text).substr(0, stop))) << toBreak;
}

// Texts from UTF-16 give back the same units; Windows-1252 texts come in as UTF-8.
TEST(TextForm, EveryUtf16TextComesBackExactly)
{
    const std::vector<std::u16string> texts = {
        u"", u"abc", u"Zażółć gęślą jaźń", u"Σσς", u"\u6F22\u5B57", u"a\U0001F600b",
        u"e\u0301", u"\xD800", u"x\xDC00y", u"\xFF\xFE\xFFz", u"\u20AC\u0081"};
    for (const std::u16string& units : texts) {
        const std::string text = TextFromUtf16(units);
        EXPECT_TRUE(IsOfTextForm(text));
        EXPECT_EQ(Utf16Of(text), units);
    }
    EXPECT_EQ(TextFromUtf16(u"\u20AC\u00E9"), "\u20AC\u00E9");
    EXPECT_EQ(TextFromCp1252("\xFF\xFE\xFF\x01z"), "\u00FF\u00FE\u00FF\x01z");
    EXPECT_EQ(TextFromCp1252("\x80\x91\x92\x9F"), "€‘’Ÿ");
    EXPECT_EQ(Cp1252Of(TextFromCp1252("\x80\x81\xFFz")), "\x80\x81\xFFz");
    EXPECT_TRUE(FitsCp1252(TextFromCp1252("\x80\x81\xFFz")));
    EXPECT_FALSE(FitsCp1252("\u0141"));
    EXPECT_FALSE(IsOfTextForm("a\xFC" "b"));
}

// UTF-16 converter, any alignment, each unit kind at each word place: unit-wise bytes, not one past the room it asks.
TEST(TextForm, FileUtf16ConverterAgrees)
{
    const char16_t kinds[] = {u'a', 0x7F, 0, 0x80, 0xE9, 0x7FF, 0x800, 0x20AC, 0xFFFF, 0xD83D, 0xDE00, 0xD800, 0xDC00, u'\r'};
    std::uint32_t seed = 1;
    for (int round = 0; round < 3000; ++round) {
        std::u16string units(static_cast<std::size_t>(round % 70), u'x');
        for (char16_t& u : units) {
            seed = seed * 1103515245 + 12345;
            u = kinds[(seed >> 16) % (round % 3 == 0 ? 2 : std::size(kinds))];
        }
        const std::string wide = TextFromUtf16(units);
        std::string bytes(1 + 2 * units.size(), '\0');
        for (std::size_t i = 0; i < units.size(); ++i)
            bytes[1 + 2 * i] = static_cast<char>(units[i]), bytes[2 + 2 * i] = static_cast<char>(units[i] >> 8);
        for (const LoneSurrogates lone : {LoneSurrogates::Keep, LoneSurrogates::Replace}) {
            std::string out(Utf16ToUtf8Room(units.size()) + 8, '#');
            const char* end = WriteUtf16LeAsUtf8(bytes.data() + 1, units.size(), out.data(), lone);
            ASSERT_EQ(std::string_view(out.data(), end), lone == LoneSurrogates::Keep ? wide : Utf8Of(wide))
                << round;
            ASSERT_EQ(out.substr(out.size() - 8), "########") << round;
        }
    }
}

TEST(TextForm, Utf8InAndOut)
{
    EXPECT_EQ(TextFromUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(Utf8Of(*TextFromUtf8("\xC5\x81\xC3\xB3\xF0\x9F\x98\x80")), "\xC5\x81\xC3\xB3\xF0\x9F\x98\x80");
    // A lone surrogate cannot go to UTF-8; it becomes the replacement character.
    EXPECT_TRUE(HasLoneSurrogate(TextFromUtf16(u"a\xD800")));
    EXPECT_EQ(Utf8Of(TextFromUtf16(u"a\xD800")), "a\xEF\xBF\xBD");
    for (const char* bad : {"ab\xC3", "ab\xED\xA0\x80", "ab\xC0\x80", "ab\xF5\x80\x80\x80", "ab\x80"}) {
        std::size_t offset = 0;
        EXPECT_FALSE(TextFromUtf8(bad, &offset)) << bad;
        EXPECT_EQ(offset, 2u) << bad;
    }
}

// One total order: Windows-1252 by byte, then the rest by code point, whichever form a text is in.
TEST(TextForm, KeyOrder)
{
    const std::vector<std::string> ascending = {
        "", "Zebra", "apple", TextFromCp1252("\x80"), TextFromCp1252("\x92"), TextFromCp1252("\xE9"),
        TextFromCp1252("\xFF"), TextFromCp1252("\xFF\xFE\xFF"), TextFromUtf16(u"\xFF\xFE\xFF!"), TextFromUtf16(u"\u0141"),
        // The dagger's Windows-1252 byte comes before the en dash's, their UTF-8 after it.
        TextFromUtf16(u"\u0141\u2020"), TextFromUtf16(u"\u0141\u2013"), TextFromUtf16(u"\u03A9"),
        TextFromUtf16(u"\u03A9a"), TextFromUtf16(u"\xD800"), TextFromUtf16(u"\U0001F600")};
    for (std::size_t i = 0; i < ascending.size(); ++i)
        for (std::size_t j = 0; j < ascending.size(); ++j)
            EXPECT_EQ(CompareTexts(ascending[i], ascending[j]), i < j ? -1 : i > j ? 1 : 0) << i << ' ' << j;
    EXPECT_EQ(CompareTexts(TextFromUtf16(u"caf\u00E9"), TextFromCp1252("caf\xE9")), 0);
}

// Each byte (stop too) at each place in and across converter words, all short lengths, amid ASCII and 2-/3-byte chars.
TEST(Cp1252ToUtf8, EveryByteAtEveryPlace)
{
    for (const bool toBreak : {false, true})
        for (const std::string filler : {"a", "ab\xE4\x80 c\xFC\xFF"})
            for (int b = 0; b < 256; ++b)
                for (std::size_t at = 0; at < 40; ++at) {
                    std::string text;
                    while (text.size() < 40)
                        text += filler;
                    text[at] = static_cast<char>(b);
                    text.resize(at + 1 + at % 19);
                    SCOPED_TRACE(testing::Message() << b << " at " << at << " among " << filler);
                    ExpectConverts(toBreak, text);
                }
}

// The whole-text form copies line feeds like any byte.
TEST(Cp1252ToUtf8, WholeTextKeepsLineFeeds)
{
    const std::string text = "\x80 \xFC\nnext line of more than sixteen bytes \x80\n";
    std::string out(3 * text.size() + 16, '\0');
    out.resize(static_cast<std::size_t>(WriteCp1252AsUtf8(text, out.data()) - out.data()));
    EXPECT_EQ(out, "\xE2\x82\xAC \xC3\xBC\nnext line of more than sixteen bytes \xE2\x82\xAC\n");
}
}  // namespace
