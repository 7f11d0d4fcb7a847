// SPDX-License-Identifier: MIT
#include "core/text/utf16_utf8.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "core/text/utf8_pair_shuffle.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define OVRIN_UTF16_VECTORS 1
#endif

namespace {

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

char* WriteUtf16LeAsUtf8Portable(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    for (std::size_t i = 0; i < n;)
        i += WriteOne(p, i, n, to, lone);
    return to;
}

#ifdef OVRIN_UTF16_VECTORS

namespace {

// The blocks below read sixteen units at a time. The last few units of a
// text are copied into a block of zeros first, so no read passes the end
// of the text. A step stores whole vectors and keeps only the bytes of the
// units it took: what it stores past them stays within three bytes a unit
// left plus the margin of Utf16ToUtf8Room (the tests check that bound).
constexpr std::size_t kBlock = 16;

// One step over the sixteen units at `i`, of which `limit` belong to the
// text: the ASCII units before any other go at once, then one character.
[[gnu::always_inline]] inline std::size_t StepSse2(const unsigned char* p, std::size_t i, std::size_t limit, std::size_t n, char*& to,
                            LoneSurrogates lone)
{
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * i + 16));
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i asciiLo = _mm_cmpeq_epi16(_mm_and_si128(lo, nonAscii), _mm_setzero_si128());
    const __m128i asciiHi = _mm_cmpeq_epi16(_mm_and_si128(hi, nonAscii), _mm_setzero_si128());
    const auto ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(asciiLo, asciiHi)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_packus_epi16(lo, hi));
    std::size_t run = ascii == 0xFFFF ? kBlock : static_cast<std::size_t>(__builtin_ctz(~ascii));
    if (run > limit)
        run = limit;
    to += run;
    i += run;
    if (run < limit)
        i += WriteOne(p, i, n, to, lone);
    return i;
}

// Four units, each widened to four bytes holding its UTF-8 form from the
// first byte on, come together with one shuffle. Indexed by the units'
// lengths less one, two bits each; unused places are cleared.
struct alignas(16) Compaction {
    unsigned char index[16];
};

constexpr std::array<Compaction, 256> MakeCompactions()
{
    std::array<Compaction, 256> table{};
    for (int lengths = 0; lengths < 256; ++lengths) {
        int k = 0;
        for (int unit = 0; unit < 4; ++unit)
            for (int b = 0; b <= ((lengths >> (2 * unit)) & 3) && b < 3; ++b)
                table[lengths].index[k++] = static_cast<unsigned char>(4 * unit + b);
        while (k < 16)
            table[lengths].index[k++] = 0x80;
    }
    return table;
}

constexpr std::array<Compaction, 256> kCompactions = MakeCompactions();

// The UTF-8 bytes of four units whose lengths (less one) are `lengths`.
constexpr std::array<unsigned char, 256> MakeCompactedSizes()
{
    std::array<unsigned char, 256> sizes{};
    for (int lengths = 0; lengths < 256; ++lengths)
        for (int unit = 0; unit < 4; ++unit)
            sizes[lengths] = static_cast<unsigned char>(sizes[lengths] + 1 + ((lengths >> (2 * unit)) & 3));
    return sizes;
}

constexpr std::array<unsigned char, 256> kCompactedSizes = MakeCompactedSizes();

// Four bits spread to the even places of eight.
constexpr std::array<unsigned char, 16> kSpread = {0x00, 0x01, 0x04, 0x05, 0x10, 0x11, 0x14, 0x15,
                                                   0x40, 0x41, 0x44, 0x45, 0x50, 0x51, 0x54, 0x55};

// Writes the UTF-8 of eight units, none a surrogate: 8 to 24 bytes, with
// up to 16 bytes stored past them.
__attribute__((target("avx2"), always_inline)) inline char* WriteEightUnits(__m128i units, char* to)
{
    const __m256i u = _mm256_cvtepu16_epi32(units);
    const __m256i two = _mm256_cmpgt_epi32(u, _mm256_set1_epi32(0x7F));
    const __m256i three = _mm256_cmpgt_epi32(u, _mm256_set1_epi32(0x7FF));
    const __m256i low6 = _mm256_set1_epi32(0x3F);
    const __m256i cont = _mm256_set1_epi32(0x80);
    const __m256i last = _mm256_or_si256(_mm256_and_si256(u, low6), cont);
    const __m256i shifted = _mm256_srli_epi32(u, 6);
    const __m256i middle = _mm256_or_si256(_mm256_and_si256(shifted, low6), cont);
    const __m256i twoBytes =
        _mm256_or_si256(_mm256_or_si256(shifted, _mm256_set1_epi32(0xC0)), _mm256_slli_epi32(last, 8));
    const __m256i threeBytes = _mm256_or_si256(
        _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(u, 12), _mm256_set1_epi32(0xE0)),
                        _mm256_slli_epi32(middle, 8)),
        _mm256_slli_epi32(last, 16));
    const __m256i forms = _mm256_blendv_epi8(_mm256_blendv_epi8(u, twoBytes, two), threeBytes, three);
    const auto twoBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(two)));
    const auto threeBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(three)));
    const unsigned lengths0 = kSpread[twoBits & 15] + kSpread[threeBits & 15];
    const unsigned lengths1 = kSpread[twoBits >> 4] + kSpread[threeBits >> 4];
    const __m256i shuffle = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kCompactions[lengths0].index))),
        _mm_load_si128(reinterpret_cast<const __m128i*>(kCompactions[lengths1].index)), 1);
    const __m256i bytes = _mm256_shuffle_epi8(forms, shuffle);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(bytes));
    to += kCompactedSizes[lengths0];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_extracti128_si256(bytes, 1));
    return to + kCompactedSizes[lengths1];
}

// Writes the UTF-8 of sixteen units of one or two bytes each: every unit
// as its two bytes (an ASCII unit as a cleared lead and itself), the
// cleared leads then dropped by a shuffle. Up to 32 bytes are stored.
__attribute__((target("avx2,popcnt"), always_inline)) inline void WriteSixteenShortUnits(__m256i v, char* to)
{
    const __m256i ascii = _mm256_cmpeq_epi16(_mm256_and_si256(v, _mm256_set1_epi16(static_cast<short>(0xFF80))),
                                             _mm256_setzero_si256());
    const __m256i lead = _mm256_or_si256(_mm256_srli_epi16(v, 6), _mm256_set1_epi16(0xC0));
    const __m256i trail = _mm256_or_si256(_mm256_and_si256(v, _mm256_set1_epi16(0x3F)), _mm256_set1_epi16(0x80));
    const __m256i pairs =
        _mm256_blendv_epi8(_mm256_or_si256(lead, _mm256_slli_epi16(trail, 8)), _mm256_slli_epi16(v, 8), ascii);
    const auto wide = ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_packs_epi16(ascii, ascii)));
    const unsigned wide0 = wide & 0xFF;
    const __m256i shuffle = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(kUtf8PairShuffles[wide0].index))),
        _mm_load_si128(reinterpret_cast<const __m128i*>(kUtf8PairShuffles[(wide >> 16) & 0xFF].index)), 1);
    const __m256i bytes = _mm256_shuffle_epi8(pairs, shuffle);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(bytes));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8 + __builtin_popcount(wide0)),
                     _mm256_extracti128_si256(bytes, 1));
}

// Writes the first `k` of the sixteen units `v` (none a surrogate; `high5`
// holds their top five bits) and moves `to` past them. Units of three bytes
// take the longer way; a branch on whether the block is all ASCII cost more
// than it saved on texts of mixed scripts.
__attribute__((target("avx2,popcnt"), always_inline)) inline void WriteUnits(__m256i v, __m256i high5,
                                                                             std::size_t k, char*& to)
{
    // Two bits a unit in each mask, for the units taken.
    const unsigned taken = k == kBlock ? 0xFFFFFFFFu : (1u << (2 * k)) - 1;
    const auto nonAscii = ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(
                              _mm256_and_si256(v, _mm256_set1_epi16(static_cast<short>(0xFF80))),
                              _mm256_setzero_si256()))) & taken;
    const auto threeBytes =
        ~static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(high5, _mm256_setzero_si256()))) & taken;
    if (threeBytes == 0)
        WriteSixteenShortUnits(v, to);
    else
        WriteEightUnits(_mm256_extracti128_si256(v, 1), WriteEightUnits(_mm256_castsi256_si128(v), to));
    to += k + static_cast<unsigned>(__builtin_popcount(nonAscii) + __builtin_popcount(threeBytes)) / 2;
}

// One step over the sixteen units at `i`, of which `limit` belong to the
// text: every unit before a surrogate goes at once, then one character.
__attribute__((target("avx2,popcnt"), always_inline)) inline std::size_t StepAvx2(const unsigned char* p,
                                                                                  std::size_t i, std::size_t limit,
                                                                                  std::size_t n, char*& to,
                                                                                  LoneSurrogates lone)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 * i));
    const __m256i high5 = _mm256_and_si256(v, _mm256_set1_epi16(static_cast<short>(0xF800)));
    const auto surrogates = static_cast<unsigned>(
        _mm256_movemask_epi8(_mm256_cmpeq_epi16(high5, _mm256_set1_epi16(static_cast<short>(0xD800)))));
    // Nearly every step takes all sixteen units. That is decided by a
    // branch rather than computed from the units, so the next step's load
    // need not wait for this step's data.
    if (surrogates == 0 && limit == kBlock) [[likely]] {
        WriteUnits(v, high5, kBlock, to);
        return i + kBlock;
    }
    std::size_t k = surrogates == 0 ? kBlock : static_cast<std::size_t>(__builtin_ctz(surrogates)) / 2;
    if (k > limit)
        k = limit;
    WriteUnits(v, high5, k, to);
    i += k;
    if (k < limit)
        i += WriteOne(p, i, n, to, lone);
    return i;
}

// The last units of a text, in a block of zeros: no read passes its end.
struct Tail {
    alignas(32) unsigned char bytes[4 * kBlock] = {};
    std::size_t n;
    Tail(const unsigned char* p, std::size_t i, std::size_t end) : n(end - i)
    {
        std::memcpy(bytes, p + 2 * i, 2 * n);
    }
};

}  // namespace

char* WriteUtf16LeAsUtf8Sse2(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    std::size_t i = 0;
    while (n - i >= kBlock)
        i = StepSse2(p, i, kBlock, n, to, lone);
    if (i < n) {
        const Tail tail(p, i, n);
        for (std::size_t j = 0; j < tail.n;)
            j = StepSse2(tail.bytes, j, tail.n - j, tail.n, to, lone);
    }
    return to;
}

bool HasAvx2Utf16ToUtf8()
{
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
    return has;
}

__attribute__((target("avx2,popcnt"))) char* WriteUtf16LeAsUtf8Avx2(const char* from, std::size_t n, char* to,
                                                                     LoneSurrogates lone)
{
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    std::size_t i = 0;
    while (n - i >= kBlock)
        i = StepAvx2(p, i, kBlock, n, to, lone);
    if (i < n) {
        const Tail tail(p, i, n);
        for (std::size_t j = 0; j < tail.n;)
            j = StepAvx2(tail.bytes, j, tail.n - j, tail.n, to, lone);
    }
    return to;
}

bool HasAvx512Utf16ToUtf8()
{
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi2") &&
                            __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi2");
    return has;
}

// GCC 12's AVX-512 headers leave a vector undefined on purpose.
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Writes the first `k` of the sixteen units `v`, none a surrogate, each
// widened to four bytes that hold its UTF-8 form from the first byte on;
// one compress then packs the bytes of the forms together, and a masked
// store writes only them.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi2,popcnt,bmi2"), always_inline)) inline void WriteUnits512(
    __m256i v, std::size_t k, bool whole, char*& to)
{
    const __m512i low6 = _mm512_set1_epi32(0x3F);
    const __m512i cont = _mm512_set1_epi32(0x80);
    const __m512i u = _mm512_cvtepu16_epi32(v);
    const __m512i last = _mm512_or_si512(_mm512_and_si512(u, low6), cont);
    const __m512i shifted = _mm512_srli_epi32(u, 6);
    const __m512i middle = _mm512_or_si512(_mm512_and_si512(shifted, low6), cont);
    const __m512i twoBytes =
        _mm512_or_si512(_mm512_or_si512(shifted, _mm512_set1_epi32(0xC0)), _mm512_slli_epi32(last, 8));
    const __m512i threeBytes = _mm512_or_si512(
        _mm512_or_si512(_mm512_or_si512(_mm512_srli_epi32(u, 12), _mm512_set1_epi32(0xE0)),
                        _mm512_slli_epi32(middle, 8)),
        _mm512_slli_epi32(last, 16));
    const __mmask16 two = _mm512_cmpgt_epu32_mask(u, _mm512_set1_epi32(0x7F));
    const __mmask16 three = _mm512_cmpgt_epu32_mask(u, _mm512_set1_epi32(0x7FF));
    const __m512i forms = _mm512_mask_mov_epi32(_mm512_mask_mov_epi32(u, two, twoBytes), three, threeBytes);
    // The bytes kept: the first of every form, the second of a form of two
    // bytes or more, the third of one of three. Spread from the unit masks,
    // they need not wait for the forms.
    __mmask64 keep = 0x1111111111111111ULL | _pdep_u64(two, 0x2222222222222222ULL) |
                     _pdep_u64(three, 0x4444444444444444ULL);
    if (k < kBlock)
        keep &= (std::uint64_t{1} << (4 * k)) - 1;
    const auto size = static_cast<unsigned>(__builtin_popcountll(keep));
    const __m512i bytes = _mm512_maskz_compress_epi8(keep, forms);
    // Where sixteen units or more are left, their room holds all 64 bytes.
    if (whole)
        _mm512_storeu_si512(to, bytes);
    else
        _mm512_mask_storeu_epi8(to, (std::uint64_t{1} << size) - 1, bytes);
    to += size;
}

// Sixteen units a step. Masked loads and stores keep every access inside
// the text, so this level needs no margin and no copy of the last units.
__attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi2,popcnt,bmi2"))) char* WriteUtf16LeAsUtf8Avx512(
    const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    const auto* p = reinterpret_cast<const unsigned char*>(from);
    const __m256i high5 = _mm256_set1_epi16(static_cast<short>(0xF800));
    const __m256i surrogate = _mm256_set1_epi16(static_cast<short>(0xD800));
    std::size_t i = 0;
    // Whole steps, taken by a branch so that the next load need not wait.
    while (n - i >= kBlock) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 * i));
        const __mmask16 surrogates = _mm256_cmpeq_epi16_mask(_mm256_and_si256(v, high5), surrogate);
        if (surrogates == 0) [[likely]] {
            WriteUnits512(v, kBlock, true, to);
            i += kBlock;
            continue;
        }
        const auto k = static_cast<std::size_t>(__builtin_ctz(surrogates));
        WriteUnits512(v, k, true, to);
        i += k;
        i += WriteOne(p, i, n, to, lone);
    }
    while (i < n) {
        const std::size_t limit = n - i;
        const auto present = static_cast<__mmask16>((1u << limit) - 1);
        const __m256i v = _mm256_maskz_loadu_epi16(present, p + 2 * i);
        const __mmask16 surrogates = _mm256_cmpeq_epi16_mask(_mm256_and_si256(v, high5), surrogate) & present;
        const std::size_t k = surrogates == 0 ? limit : static_cast<std::size_t>(__builtin_ctz(surrogates));
        WriteUnits512(v, k, false, to);
        i += k;
        if (k < limit)
            i += WriteOne(p, i, n, to, lone);
    }
    return to;
}

#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

char* WriteUtf16LeAsUtf8(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    using Converter = char* (*)(const char*, std::size_t, char*, LoneSurrogates);
    static const Converter best = HasAvx512Utf16ToUtf8() ? &WriteUtf16LeAsUtf8Avx512
                                  : HasAvx2Utf16ToUtf8() ? &WriteUtf16LeAsUtf8Avx2
                                                         : &WriteUtf16LeAsUtf8Sse2;
    return best(from, n, to, lone);
}

#else

char* WriteUtf16LeAsUtf8Sse2(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    return WriteUtf16LeAsUtf8Portable(from, n, to, lone);
}

bool HasAvx2Utf16ToUtf8() { return false; }

char* WriteUtf16LeAsUtf8Avx2(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    return WriteUtf16LeAsUtf8Portable(from, n, to, lone);
}

bool HasAvx512Utf16ToUtf8() { return false; }

char* WriteUtf16LeAsUtf8Avx512(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    return WriteUtf16LeAsUtf8Portable(from, n, to, lone);
}

char* WriteUtf16LeAsUtf8(const char* from, std::size_t n, char* to, LoneSurrogates lone)
{
    return WriteUtf16LeAsUtf8Portable(from, n, to, lone);
}

#endif
