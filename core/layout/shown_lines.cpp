// SPDX-License-Identifier: MIT
#include "core/layout/shown_lines.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/text/cp1252.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Every Windows-1252 code point lies in the BMP.
const std::array<char16_t, 256>& Cp1252Table()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(b)));
        return t;
    }();
    return table;
}

// Widens a stretch with no line break: first as if every byte were Latin-1,
// in a loop the compiler turns into vector instructions, then mends the few
// bytes 0x80 to 0x9F, where Windows-1252 differs.
char16_t* Widen(const unsigned char* from, std::size_t count, char16_t* to)
{
    bool differs = false;
    for (std::size_t i = 0; i < count; ++i) {
        to[i] = from[i];
        differs |= (from[i] & 0xE0) == 0x80;
    }
    if (differs) {
        const auto& table = Cp1252Table();
        for (std::size_t i = 0; i < count; ++i)
            to[i] = table[from[i]];
    }
    return to + count;
}

// How many line breaks there are: every CR, and every LF not after a CR.
std::size_t CountBreaks(const unsigned char* from, const unsigned char* const end)
{
    std::size_t count = 0;
    bool afterCr = false;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; end - from >= 16; from += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        count += static_cast<std::size_t>(__builtin_popcount(crs) + __builtin_popcount(lfs & ~((crs << 1) | afterCr)));
        afterCr = crs >> 15;
    }
#endif
    for (; from < end; ++from) {
        count += *from == '\r' || (*from == '\n' && !afterCr);
        afterCr = *from == '\r';
    }
    return count;
}

} // namespace

char16_t* WidenCp1252(std::string_view bytes, char16_t* to)
{
    return Widen(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), to);
}

char16_t* WidenCp1252WithLineBreaks(std::string_view bytes, char16_t* to, ShownLines& lines)
{
    char16_t* const begin = to;
    const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = from + bytes.size();
    // The index of millions of lines is sized from the breaks of the first
    // 256 kB, scaled to the whole text with room to spare, so it is seldom
    // moved as it grows; a count over all the bytes would read them twice.
    // At most one start for every 8 bytes is set aside unasked.
    const std::size_t sample = std::min<std::size_t>(bytes.size(), std::size_t{256} << 10);
    const std::size_t expected = sample == 0 ? 0 : CountBreaks(from, from + sample) * (bytes.size() / sample + 1);
    lines.starts.reserve(std::min(expected + expected / 4, bytes.size() / 8) + 1);
    const auto lineEnds = [&](char16_t* at) {
        lines.longest = std::max(lines.longest, (at - begin) - lines.starts.back());
        lines.starts.push_back(at + 1 - begin);
    };
    // A byte at a time: CR LF, CR and LF each become "\n".
    bool afterCr = false;
    const auto& table = Cp1252Table();
    const auto step = [&](unsigned char b) {
        if (b == '\n' && afterCr) {
            afterCr = false;
            return;
        }
        afterCr = b == '\r';
        if (b == '\r' || b == '\n') {
            lineEnds(to);
            *to++ = u'\n';
        } else {
            *to++ = table[b];
        }
    };
#if defined(__SSE2__)
    // 16 bytes at a time where none lies in 0x80 to 0x9F, where Windows-1252
    // differs from Latin-1: widened with each CR as "\n", and up to the LF
    // of a CR LF, from which the next 16 bytes are read. A loop per line
    // costs more than the line on millions of short lines.
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i top3 = _mm_set1_epi8(static_cast<char>(0xE0));
    const __m128i c1 = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i three = _mm_set1_epi8(3);
    const __m128i zero = _mm_setzero_si128();
    while (end - from >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, top3), c1)) != 0) {
            for (const unsigned char* const stop = from + 16; from < stop; ++from)
                step(*from);
            continue;
        }
        const __m128i isCr = _mm_cmpeq_epi8(v, cr);
        const auto crs = static_cast<unsigned>(_mm_movemask_epi8(isCr));
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        const unsigned dropped = lfs & ((crs << 1) | static_cast<unsigned>(afterCr));
        // The bytes taken: all 16, or those before the first LF of a CR LF.
        const int taken = dropped != 0 ? __builtin_ctz(dropped) : 16;
        const __m128i shown16 = _mm_sub_epi8(v, _mm_and_si128(isCr, three));  // '\r' - 3 == '\n'
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(shown16, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(shown16, zero));
        for (unsigned mask = (crs | lfs) & ((taken == 16 ? 0x10000u : 1u << taken) - 1); mask != 0; mask &= mask - 1)
            lineEnds(to + __builtin_ctz(mask));
        to += taken;
        from += dropped != 0 ? taken + 1 : 16;
        afterCr = dropped == 0 && (crs >> 15) != 0;
    }
#endif
    for (; from < end; ++from)
        step(*from);
    lines.longest = std::max(lines.longest, (to - begin) - lines.starts.back());
    lines.longest = std::max(lines.longest, (to - begin) - lines.starts.back());
    return to;
}
