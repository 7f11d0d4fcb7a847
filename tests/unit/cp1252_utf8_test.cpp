// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/text/cp1252.h"

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

// Checks where the converter stopped (the first line feed) and what it wrote.
// (WriteCp1252AsUtf8ToBreak stops at CR and NUL too).
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

}  // namespace

// Every byte, the stop included, at every place within and across the
// words the converters work in, in texts of every short length: among
// ASCII, and among two- and three-byte characters as documents hold them.
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
