// SPDX-License-Identifier: MIT
#include "core/text/utf16_utf8.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

// The bits of four units read as one word that are set only where one of
// them is not ASCII.
constexpr std::uint64_t kNonAscii =
    std::endian::native == std::endian::little ? 0xFF80FF80FF80FF80ULL : 0x80FF80FF80FF80FFULL;

inline char32_t UnitAt(const unsigned char* p, std::size_t i)
{
    return static_cast<char32_t>(p[2 * i] | (p[2 * i + 1] << 8));
}

// Writes the character that begins with unit `i` of `n`; returns how many
// units it took (two for a surrogate pair).
[[gnu::always_inline]] inline std::size_t WriteOne(const unsigned char* p, std::size_t i, std::size_t n, char*& to, LoneSurrogates lone)
{
    char32_t c = UnitAt(p, i);
    if (c < 0x80) {
        *to++ = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        to[0] = static_cast<char>(0xC0 | (c >> 6));
        to[1] = static_cast<char>(0x80 | (c & 0x3F));
        to += 2;
        return 1;
    }
    if (c >= 0xD800 && c < 0xE000) {
        if (c < 0xDC00 && i + 1 < n) {
            const char32_t d = UnitAt(p, i + 1);
            if (d >= 0xDC00 && d < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00);
                to[0] = static_cast<char>(0xF0 | (c >> 18));
                to[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                to[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                to[3] = static_cast<char>(0x80 | (c & 0x3F));
                to += 4;
                return 2;
            }
        }
        if (lone == LoneSurrogates::Replace)
            c = 0xFFFD;
    }
    to[0] = static_cast<char>(0xE0 | (c >> 12));
    to[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    to[2] = static_cast<char>(0x80 | (c & 0x3F));
    to += 3;
    return 1;
}

}  // namespace

char* WriteUtf16LeAsUtf8(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    for (std::size_t i = 0; i < n;) {
        // Four ASCII units at a time: most texts are mostly ASCII.
        std::uint64_t four;
        if (n - i >= 4 && (std::memcpy(&four, p + 2 * i, 8), (four & kNonAscii) == 0)) {
            for (int k = 0; k < 4; ++k)
                to[k] = static_cast<char>(p[2 * (i + k)]);
            to += 4;
            i += 4;
            continue;
        }
        i += WriteOne(p, i, n, to, lone);
    }
    return to;
}
