// SPDX-License-Identifier: MIT
#include "dialogs/logic/find_match.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OVRIN_HAVE_AVX2_PATH 1
#endif

namespace {

constexpr std::array<unsigned char, 256> MakeFoldTable()
{
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[b] = static_cast<unsigned char>(b);
    for (int b = 'A'; b <= 'Z'; ++b)
        table[b] = static_cast<unsigned char>(b + 0x20);
    for (int b = 0xC0; b <= 0xDE; ++b)
        if (b != 0xD7)
            table[b] = static_cast<unsigned char>(b + 0x20);
    table[0x8A] = 0x9A;  // S with caron
    table[0x8C] = 0x9C;  // OE
    table[0x8E] = 0x9E;  // Z with caron
    table[0x9F] = 0xFF;  // Y with diaeresis
    return table;
}

constexpr std::array<unsigned char, 256> kFold = MakeFoldTable();

#if defined(__SSE2__)
// One bit for each of the 16 bytes at p that equals a or b.
inline unsigned EitherMask(const unsigned char* p, __m128i a, __m128i b)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b))));
}
#endif

// The high bit of each byte of `word` that equals a or b. Above the first
// such byte a bit may be set wrongly (a borrow runs on), but the lowest one
// is always exact, and only the lowest is asked for.
inline std::uint64_t EitherInWord(std::uint64_t word, unsigned char a, unsigned char b)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    const std::uint64_t xa = word ^ (kOnes * a);
    const std::uint64_t xb = word ^ (kOnes * b);
    return (((xa - kOnes) & ~xa) | ((xb - kOnes) & ~xb)) & kHighs;
}

#if defined(OVRIN_HAVE_AVX2_PATH)
// 0xFF in each byte of the 32 at p that equals a or b.
__attribute__((target("avx2"))) inline __m256i EitherBytes32(const unsigned char* p, __m256i a, __m256i b)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return _mm256_or_si256(_mm256_cmpeq_epi8(v, a), _mm256_cmpeq_epi8(v, b));
}

__attribute__((target("avx2"))) inline std::uint32_t Bits(__m256i bytes)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

// The first of a or b in [p, end), at least 32 bytes, a block at a time:
// the blocks follow each other, and the last one overlaps its neighbour.
__attribute__((target("avx2"))) const unsigned char* FirstInRun(const unsigned char* p, const unsigned char* end,
                                                                __m256i a, __m256i b)
{
    for (; end - p > 32; p += 32)
        if (const std::uint32_t m = Bits(EitherBytes32(p, a, b)))
            return p + __builtin_ctz(m);
    const std::uint32_t m = Bits(EitherBytes32(end - 32, a, b));
    return m ? end - 32 + __builtin_ctz(m) : nullptr;
}

// First byte in [p, end) equal to a or b, or nullptr; at least 32 bytes.
__attribute__((target("avx2"))) const unsigned char* FirstOfTwoAvx2(const unsigned char* p,
                                                                    const unsigned char* end,
                                                                    unsigned char a, unsigned char b)
{
    return FirstInRun(p, end, _mm256_set1_epi8(static_cast<char>(a)), _mm256_set1_epi8(static_cast<char>(b)));
}

// Whether a or b is in [p, end), at least 32 bytes. A search of a large
// table is mostly texts of a few dozen to a few hundred bytes with no
// candidate at all, and there a mispredicted branch costs more than the
// bytes. So a text of under 320 bytes, most descriptions, takes no branch
// at all: ten blocks spread evenly over it, each less than a block from the
// one before; longer texts go 256 bytes a step first.
__attribute__((target("avx2"))) bool AnyOfTwoAvx2(const unsigned char* p, const unsigned char* end,
                                                  unsigned char a, unsigned char b)
{
    const __m256i va = _mm256_set1_epi8(static_cast<char>(a));
    const __m256i vb = _mm256_set1_epi8(static_cast<char>(b));
    __m256i any = _mm256_setzero_si256();
    for (; end - p >= 320; p += 256)
        for (int k = 0; k < 8; ++k)
            any = _mm256_or_si256(any, EitherBytes32(p + 32 * k, va, vb));
    const std::ptrdiff_t spread = end - p - 32;  // 0 to 287, so steps of at most 31
    for (int k = 0; k < 10; ++k)
        any = _mm256_or_si256(any, EitherBytes32(p + spread * k / 9, va, vb));
    return !_mm256_testz_si256(any, any);
}

// Asked while the program's statics are set up, so the processor's features
// are read first; before that the flag is false and SSE2 does the work.
const bool g_bHaveAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
bool g_bAvx2 = g_bHaveAvx2;
#endif

// First byte in [p, end) equal to a or b, or nullptr: both cases of a
// letter in one pass, 16 or 32 bytes a step where the processor can, so a
// search runs at the speed of memchr instead of scanning twice.
const unsigned char* FirstOfTwo(const unsigned char* p, const unsigned char* end, unsigned char a,
                                unsigned char b)
{
    const std::ptrdiff_t n = end - p;
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_bAvx2 && n >= 32)
        return FirstOfTwoAvx2(p, end, a, b);
#endif
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i va = _mm_set1_epi8(static_cast<char>(a));
        const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
        for (; end - p > 32; p += 16)
            if (const unsigned m = EitherMask(p, va, vb))
                return p + __builtin_ctz(m);
        // 16 to 32 bytes left: the first 16 and the last 16, which overlap.
        const std::uint32_t m =
            EitherMask(p, va, vb) | static_cast<std::uint32_t>(EitherMask(end - 16, va, vb)) << (end - p - 16);
        return m ? p + __builtin_ctz(m) : nullptr;
    }
#endif
    if (n >= 8 && std::endian::native == std::endian::little) {
        // Two words that overlap; the lowest flagged byte of a word is exact.
        std::uint64_t head = 0;
        std::uint64_t tail = 0;
        std::memcpy(&head, p, 8);
        std::memcpy(&tail, end - 8, 8);
        if (const std::uint64_t m = EitherInWord(head, a, b))
            return p + __builtin_ctzll(m) / 8;
        if (const std::uint64_t m = EitherInWord(tail, a, b))
            return end - 8 + __builtin_ctzll(m) / 8;
        return nullptr;
    }
    for (; p < end; ++p)
        if (*p == a || *p == b)
            return p;
    return nullptr;
}

// Whether a or b is in [p, end). Where the processor has AVX2 a text of
// under 320 bytes costs no branch of its own; elsewhere it is FirstOfTwo.
bool AnyOfTwo(const unsigned char* p, const unsigned char* end, unsigned char a, unsigned char b)
{
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_bAvx2 && end - p >= 32)
        return AnyOfTwoAvx2(p, end, a, b);
#endif
    return FirstOfTwo(p, end, a, b) != nullptr;
}

// Last byte in [begin, end) equal to a or b, or nullptr.
const unsigned char* LastOfTwo(const unsigned char* begin, const unsigned char* end, unsigned char a,
                               unsigned char b)
{
#if defined(__SSE2__)
    if (end - begin >= 16) {
        const __m128i va = _mm_set1_epi8(static_cast<char>(a));
        const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
        for (; end - begin >= 16; end -= 16)
            if (const unsigned m = EitherMask(end - 16, va, vb))
                return end - 16 + (31 - __builtin_clz(m));
        if (end == begin)
            return nullptr;
        // The first 16 bytes, keeping only those not yet looked at.
        const unsigned m = EitherMask(begin, va, vb) & ((1u << (end - begin)) - 1);
        return m ? begin + (31 - __builtin_clz(m)) : nullptr;
    }
#endif
    while (end > begin) {
        --end;
        if (*end == a || *end == b)
            return end;
    }
    return nullptr;
}

}  // namespace

void AllowAvx2FindScans(bool allowed)
{
#if defined(OVRIN_HAVE_AVX2_PATH)
    g_bAvx2 = allowed && g_bHaveAvx2;
#else
    (void)allowed;
#endif
}

unsigned char FoldCp1252(unsigned char byte)
{
    return kFold[byte];
}

CFoldedNeedle::CFoldedNeedle(std::string_view needle) : m_wide(needle)
{
    needle = m_wide.Cp1252Needle();
    m_folded.reserve(needle.size());
    for (char c : needle)
        m_folded.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
    if (m_folded.empty())
        return;
    const unsigned char first = static_cast<unsigned char>(m_folded[0]);
    for (int b = 0; b < 256 && m_firstCount < 2; ++b)
        if (kFold[b] == first)
            m_first[m_firstCount++] = static_cast<unsigned char>(b);
    if (m_firstCount == 1)
        m_first[1] = m_first[0];  // a byte without a second case is looked for as itself
}

bool CFoldedNeedle::MatchesAt(const unsigned char* p) const
{
    const auto* n = reinterpret_cast<const unsigned char*>(m_folded.data());
    for (std::size_t k = 1; k < m_folded.size(); ++k)
        if (kFold[p[k]] != n[k])
            return false;
    return true;
}

std::size_t CFoldedNeedle::FindFirst(std::string_view text, std::size_t from) const
{
    const std::size_t n = m_folded.size();
    if (n == 0 || from > text.size())
        return npos;
    if (m_wide.Takes(text))
        return m_wide.FindFirst(text, from);
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const end = base + text.size();
    // The scans read on to the text's end, even where the needle could no
    // longer fit: in a table of short texts one bound less per text is worth
    // more than the bytes, and a candidate too near the end means none after.
    if (!AnyOfTwo(base + from, end, m_first[0], m_first[1]))
        return npos;
    for (const unsigned char* p = base + from;; ++p) {
        p = m_firstCount == 1 ? static_cast<const unsigned char*>(std::memchr(p, m_first[0], static_cast<std::size_t>(end - p)))
                              : FirstOfTwo(p, end, m_first[0], m_first[1]);
        if (!p || static_cast<std::size_t>(end - p) < n)
            return npos;
        if (MatchesAt(p))
            return static_cast<std::size_t>(p - base);
    }
}

bool CFoldedNeedle::MayBeInEither(std::string_view a, std::string_view b) const
{
    if (m_firstCount == 0)
        return false;
    if (m_wide.Takes(a) || m_wide.Takes(b))
        return IsIn(a) || IsIn(b);
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    // Both texts are looked at before anything is decided: one branch an
    // entry instead of two.
    return AnyOfTwo(pa, pa + a.size(), m_first[0], m_first[1]) |
           AnyOfTwo(pb, pb + b.size(), m_first[0], m_first[1]);
}

std::size_t CFoldedNeedle::FindLastBefore(std::string_view text, std::size_t before) const
{
    if (m_wide.Takes(text))
        return m_folded.empty() ? npos : m_wide.FindLastBefore(text, before);
    // One that begins before `before` ends at most a needle's length after it.
    return FindLast(text.substr(0, std::min(text.size(), before + size() - 1)));
}

std::size_t CFoldedNeedle::FindLast(std::string_view text) const
{
    if (!m_folded.empty() && m_wide.Takes(text))
        return m_wide.FindLastBefore(text, npos);
    const std::size_t n = m_folded.size();
    if (n == 0 || text.size() < n)
        return npos;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    // Candidate starts lie in [base, end).
    for (const unsigned char* end = base + (text.size() - n) + 1; end > base;) {
        const unsigned char* q = LastOfTwo(base, end, m_first[0], m_first[1]);
        if (!q)
            return npos;
        if (MatchesAt(q))
            return static_cast<std::size_t>(q - base);
        end = q;
    }
    return npos;
}
