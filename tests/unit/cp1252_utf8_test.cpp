// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "doc/cp1252.h"
#include "doc/cp1252_utf8.h"

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

struct Named {
    const char* name;
    const char* (*convert)(const char*, const char*, char, char*&);
};

// The vector converter only where this processor has it.
std::vector<Named> Converters()
{
    if (!HasVectorCp1252ToUtf8())
        return {{"portable", &WriteCp1252AsUtf8Portable}};
    return {{"portable", &WriteCp1252AsUtf8Portable}, {"vector", &WriteCp1252AsUtf8Vector}};
}

// Converts `text` up to its first line feed; checks where the converter
// stopped and what it wrote.
void ExpectConverts(const Named& c, const std::string& text)
{
    std::string out(3 * text.size() + 8, '\0');
    char* to = out.data();
    const char* stopped = c.convert(text.data(), text.data() + text.size(), '\n', to);
    const std::size_t stop = std::min(text.find('\n'), text.size());
    ASSERT_EQ(stopped - text.data(), static_cast<std::ptrdiff_t>(stop)) << c.name;
    out.resize(static_cast<std::size_t>(to - out.data()));
    ASSERT_EQ(out, Reference(std::string_view(text).substr(0, stop))) << c.name;
}

}  // namespace

// Every byte, the stop included, at every place within and across the
// blocks the converters work in, and texts of every short length.
TEST(Cp1252ToUtf8, EveryByteAtEveryPlace)
{
    for (const Named& c : Converters())
        for (int b = 0; b < 256; ++b)
            for (std::size_t at = 0; at < 40; ++at) {
                std::string text(40, 'a');
                text[at] = static_cast<char>(b);
                text.resize(at + 1 + at % 19);
                SCOPED_TRACE(testing::Message() << b << " at " << at);
                ExpectConverts(c, text);
            }
}

// Texts as documents hold them: ASCII with accented letters, the euro sign
// and the other three-byte characters, now and then a line feed.
TEST(Cp1252ToUtf8, MixedTextsAgreeWithCodePoints)
{
    std::uint64_t state = 7;
    auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33);
    };
    const std::string kinds[] = {"abc xyz,.", "\xE4\xF6\xFC\xDF\xE9\xA0\xFF", "\x80\x85\x9F\x81", "\n"};
    for (const Named& c : Converters())
        for (int n = 0; n < 3000; ++n) {
            std::string text;
            const unsigned size = next() % 120;
            for (unsigned i = 0; i < size; ++i) {
                const unsigned roll = next() % 100;
                const std::string& kind = kinds[roll < 80 ? 0 : roll < 93 ? 1 : roll < 98 ? 2 : 3];
                text += kind[next() % kind.size()];
            }
            SCOPED_TRACE(n);
            ExpectConverts(c, text);
        }
}

// The whole-text form copies line feeds like any byte.
TEST(Cp1252ToUtf8, WholeTextKeepsLineFeeds)
{
    const std::string text = "\x80 \xFC\nnext line of more than sixteen bytes \x80\n";
    std::string out(3 * text.size() + 8, '\0');
    out.resize(static_cast<std::size_t>(WriteCp1252AsUtf8(text, out.data()) - out.data()));
    EXPECT_EQ(out, "\xE2\x82\xAC \xC3\xBC\nnext line of more than sixteen bytes \xE2\x82\xAC\n");
}
