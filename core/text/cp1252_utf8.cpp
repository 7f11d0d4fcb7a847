// SPDX-License-Identifier: MIT
#include "core/text/cp1252_utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "core/text/utf8_pair_shuffle.h"

#include "core/text/cp1252.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define OVRIN_VECTOR_UTF8 1
#endif

namespace {

// The UTF-8 form of a byte: up to three bytes and, in the fourth, their count.
struct Utf8Form {
    char bytes[3];
    unsigned char size;
};
static_assert(sizeof(Utf8Form) == 4);

std::array<Utf8Form, 256> MakeUtf8Table()
{
    std::array<Utf8Form, 256> table{};
    for (int b = 0; b < 256; ++b) {
        const char32_t cp = Cp1252ToUnicode(static_cast<unsigned char>(b));
        Utf8Form& f = table[b];
        if (cp < 0x80) {
            f = {{static_cast<char>(cp), 0, 0}, 1};
        } else if (cp < 0x800) {
            f = {{static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F)), 0}, 2};
        } else {
            f = {{static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                  static_cast<char>(0x80 | (cp & 0x3F))},
                 3};
        }
    }
    return table;
}

const std::array<Utf8Form, 256> kUtf8 = MakeUtf8Table();

// Writes the UTF-8 form of one byte. All four bytes of the form are stored
// in one go; the count in the last one is overwritten by what follows.
char* WriteUtf8Form(char* to, char byte)
{
    const Utf8Form& f = kUtf8[static_cast<unsigned char>(byte)];
    std::memcpy(to, &f, sizeof f);
    return to + f.size;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kLowBits = 0x7F7F7F7F7F7F7F7FULL;

// The high bit of each zero byte of `x`, and of no other byte.
std::uint64_t ZeroBytes(std::uint64_t x)
{
    return ~(((x & kLowBits) + kLowBits) | x | kLowBits);
}

// The number of bytes before the first marked one, in memory order.
int UnmarkedPrefix(std::uint64_t marks)
{
    if constexpr (std::endian::native == std::endian::little)
        return std::countr_zero(marks) / 8;
    else
        return std::countl_zero(marks) / 8;
}

}  // namespace

namespace {

// Converts up to the first `stop` byte or, with `Breaks`, up to the first
// line feed, carriage return or NUL, whichever comes first.
template <bool Breaks>
const char* PortableUntil(const char* p, const char* end, char stop, char*& to)
{
    char* d = to;
    const std::uint64_t stops = 0x0101010101010101ULL * static_cast<unsigned char>(Breaks ? '\n' : stop);
    const std::uint64_t returns = 0x0101010101010101ULL * static_cast<unsigned char>('\r');
    const char* limit = end;
    // Eight bytes at a time: ASCII is copied whole; a word with a high byte
    // goes through the table byte by byte, without a branch per byte.
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        std::uint64_t stopBytes = ZeroBytes(word ^ stops);
        if constexpr (Breaks) stopBytes |= ZeroBytes(word ^ returns) | ZeroBytes(word);
        if (stopBytes != 0) {
            limit = p + UnmarkedPrefix(stopBytes);
            break;
        }
        if ((word & kHighBits) == 0) {
            std::memcpy(d, p, 8);
            d += 8;
        } else {
            for (int i = 0; i < 8; ++i) d = WriteUtf8Form(d, p[i]);
        }
        p += 8;
    }
    if constexpr (Breaks) {
        while (p != limit && *p != '\n' && *p != '\r' && *p != '\0') d = WriteUtf8Form(d, *p++);
    } else {
        while (p != limit && *p != stop) d = WriteUtf8Form(d, *p++);
    }
    to = d;
    return p;
}

}  // namespace

const char* WriteCp1252AsUtf8Portable(const char* p, const char* end, char stop, char*& to)
{
    return PortableUntil<false>(p, end, stop, to);
}

const char* WriteCp1252AsUtf8PortableToBreak(const char* p, const char* end, char*& to)
{
    return PortableUntil<true>(p, end, '\n', to);
}

#ifdef OVRIN_VECTOR_UTF8

namespace {

// Writes the first `n` of the 16 bytes `v` (whose high bits are `high`),
// none of them a byte from 80 to 9F: ASCII as it is, A0 to FF as C2 or C3
// followed by 80 + its low six bits. Up to 32 bytes are stored.
__attribute__((target("ssse3,popcnt"))) char* WriteTwoByteForms(char* d, __m128i v,
                                                                  unsigned high, unsigned n)
{
    const __m128i isHigh = _mm_cmplt_epi8(v, _mm_setzero_si128());
    const __m128i lead = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 6), _mm_set1_epi8(3)),
                                      _mm_set1_epi8(static_cast<char>(0xC0)));
    // A high byte loses bit 6 (80 + low six bits); ASCII stays itself.
    const __m128i trail = _mm_andnot_si128(_mm_and_si128(isHigh, _mm_set1_epi8(0x40)), v);
    if (n < 16) high &= (1U << n) - 1;
    const unsigned high0 = high & 0xFF, high1 = high >> 8;
    const unsigned n0 = std::min(n, 8U), n1 = n - n0;
    const auto shuffle = [](unsigned h) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kUtf8PairShuffles[h].index));
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                     _mm_shuffle_epi8(_mm_unpacklo_epi8(lead, trail), shuffle(high0)));
    d += n0 + static_cast<unsigned>(__builtin_popcount(high0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                     _mm_shuffle_epi8(_mm_unpackhi_epi8(lead, trail), shuffle(high1)));
    return d + n1 + static_cast<unsigned>(__builtin_popcount(high1));
}

}  // namespace

bool HasVectorCp1252ToUtf8()
{
    static const bool has = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
    return has;
}

namespace {

__attribute__((target("ssse3"), no_sanitize_address)) __m128i LoadInPage(const char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

template <bool Breaks>
__attribute__((target("ssse3,popcnt"))) const char* VectorUntil(const char* p, const char* end, char stop,
                                                                  char*& to)
{
    char* d = to;
    const __m128i stops = _mm_set1_epi8(Breaks ? '\n' : stop);
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
        // Bytes 80 to 9F need three UTF-8 bytes (or a table), and the stop
        // ends the call; both are rare, so a block without them goes whole.
        const __m128i threeByte = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xE0))),
                                                 _mm_set1_epi8(static_cast<char>(0x80)));
        __m128i ends = _mm_cmpeq_epi8(v, stops);
        if constexpr (Breaks)
            ends = _mm_or_si128(ends, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                                   _mm_cmpeq_epi8(v, _mm_setzero_si128())));
        const unsigned special = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(threeByte, ends)));
        if (special == 0) {
            d = WriteTwoByteForms(d, v, high, 16);
            p += 16;
            continue;
        }
        const unsigned plain = static_cast<unsigned>(__builtin_ctz(special));
        d = WriteTwoByteForms(d, v, high, plain);
        p += plain;
        if (Breaks ? static_cast<unsigned char>(*p) < 0x80 : *p == stop) {
            to = d;
            return p;
        }
        d = WriteUtf8Form(d, *p++);
    }
    if constexpr (Breaks) {
        // The last bytes, fewer than 16, are read as 16 when they lie in one
        // page: such a load cannot fault, whatever follows them, and the
        // bytes past the end are masked off. (The address sanitizer would
        // count them as read.) Up to 16 bytes are stored past the end.
        constexpr std::uintptr_t kPage = 4096;
        while (p != end && (reinterpret_cast<std::uintptr_t>(p) & (kPage - 1)) <= kPage - 16) {
            const unsigned n = static_cast<unsigned>(end - p);
            const __m128i v = LoadInPage(p);
            const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
            const __m128i threeByte = _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xE0))),
                                                     _mm_set1_epi8(static_cast<char>(0x80)));
            const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(v, stops),
                                              _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                                                           _mm_cmpeq_epi8(v, _mm_setzero_si128())));
            const unsigned special =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(threeByte, ends))) & ((1U << n) - 1);
            if (special == 0) {
                to = WriteTwoByteForms(d, v, high, n);
                return end;
            }
            const unsigned plain = static_cast<unsigned>(__builtin_ctz(special));
            d = WriteTwoByteForms(d, v, high, plain);
            p += plain;
            if (static_cast<unsigned char>(*p) < 0x80) {
                to = d;
                return p;
            }
            d = WriteUtf8Form(d, *p++);
        }
    }
    to = d;
    return PortableUntil<Breaks>(p, end, stop, to);
}

}  // namespace

const char* WriteCp1252AsUtf8Vector(const char* p, const char* end, char stop, char*& to)
{
    return VectorUntil<false>(p, end, stop, to);
}

const char* WriteCp1252AsUtf8VectorToBreak(const char* p, const char* end, char*& to)
{
    return VectorUntil<true>(p, end, '\n', to);
}

#else

bool HasVectorCp1252ToUtf8()
{
    return false;
}

const char* WriteCp1252AsUtf8Vector(const char* from, const char* end, char stop, char*& to)
{
    return WriteCp1252AsUtf8Portable(from, end, stop, to);
}

const char* WriteCp1252AsUtf8VectorToBreak(const char* from, const char* end, char*& to)
{
    return WriteCp1252AsUtf8PortableToBreak(from, end, to);
}

#endif

const char* WriteCp1252AsUtf8Until(const char* from, const char* end, char stop, char*& to)
{
    return HasVectorCp1252ToUtf8() ? WriteCp1252AsUtf8Vector(from, end, stop, to)
                                   : WriteCp1252AsUtf8Portable(from, end, stop, to);
}

const char* WriteCp1252AsUtf8ToBreak(const char* from, const char* end, char*& to)
{
    return HasVectorCp1252ToUtf8() ? WriteCp1252AsUtf8VectorToBreak(from, end, to)
                                   : WriteCp1252AsUtf8PortableToBreak(from, end, to);
}
