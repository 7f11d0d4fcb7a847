// SPDX-License-Identifier: MIT
#include "dialogs/logic/find_match.h"

#include <array>
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

// The bits below n of a 32-bit mask.
inline std::uint32_t Below(std::uint32_t mask, std::ptrdiff_t n)
{
    return n >= 32 ? mask : mask & ((std::uint32_t{1} << n) - 1);
}

#if defined(OVRIN_HAVE_AVX2_PATH)
__attribute__((target("avx2"))) inline std::uint32_t EitherMask32(const unsigned char* p, __m256i a, __m256i b)
{
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    return static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, a), _mm256_cmpeq_epi8(v, b))));
}

// FirstOfTwo with 32-byte registers, for texts of at least 32 bytes. The
// 64-byte steps only ask whether either byte is there at all; where one is,
// the masks say which byte it is.
__attribute__((target("avx2"))) const unsigned char* FirstOfTwoAvx2(const unsigned char* p,
                                                                    const unsigned char* stop,
                                                                    const unsigned char* end,
                                                                    unsigned char a, unsigned char b)
{
    const __m256i va = _mm256_set1_epi8(static_cast<char>(a));
    const __m256i vb = _mm256_set1_epi8(static_cast<char>(b));
    for (; stop - p >= 64; p += 64) {
        const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const __m256i any = _mm256_or_si256(
            _mm256_or_si256(_mm256_cmpeq_epi8(lo, va), _mm256_cmpeq_epi8(lo, vb)),
            _mm256_or_si256(_mm256_cmpeq_epi8(hi, va), _mm256_cmpeq_epi8(hi, vb)));
        if (_mm256_testz_si256(any, any))
            continue;
        const std::uint64_t m = EitherMask32(p, va, vb) | std::uint64_t{EitherMask32(p + 32, va, vb)} << 32;
        return p + __builtin_ctzll(m);
    }
    for (; p < stop && end - p >= 32; p += 32)
        if (const std::uint32_t m = Below(EitherMask32(p, va, vb), stop - p))
            return p + __builtin_ctz(m);
    if (p >= stop)
        return nullptr;
    // Fewer than 32 bytes are left to read: the text's last 32, shifted.
    const unsigned char* const tail = end - 32;
    const std::uint32_t m = Below(EitherMask32(tail, va, vb) >> (p - tail), stop - p);
    return m ? p + __builtin_ctz(m) : nullptr;
}

// Asked while the program's statics are set up, so the processor's features
// are read first; before that the flag is false and SSE2 does the work.
const bool g_bAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

// First byte in [p, stop) equal to a or b, or nullptr: both cases of a
// letter in one pass, 16 to 64 bytes a step where the processor can, so a
// search runs at the speed of memchr instead of scanning twice. The bytes
// of [text, end) may be read (stop <= end), so the short tail of a text
// is looked at in one step too.
const unsigned char* FirstOfTwo(const unsigned char* text, const unsigned char* p, const unsigned char* stop,
                                const unsigned char* end, unsigned char a, unsigned char b)
{
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_bAvx2 && end - text >= 32)
        return FirstOfTwoAvx2(p, stop, end, a, b);
#endif
#if defined(__SSE2__)
    if (end - text >= 16) {
        const __m128i va = _mm_set1_epi8(static_cast<char>(a));
        const __m128i vb = _mm_set1_epi8(static_cast<char>(b));
        for (; p < stop && end - p >= 16; p += 16)
            if (const std::uint32_t m = Below(EitherMask(p, va, vb), stop - p))
                return p + __builtin_ctz(m);
        if (p >= stop)
            return nullptr;
        const unsigned char* const tail = end - 16;
        const std::uint32_t m = Below(EitherMask(tail, va, vb) >> (p - tail), stop - p);
        return m ? p + __builtin_ctz(m) : nullptr;
    }
#endif
    for (; p < stop; ++p)
        if (*p == a || *p == b)
            return p;
    return nullptr;
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

unsigned char FoldCp1252(unsigned char byte)
{
    return kFold[byte];
}

CFoldedNeedle::CFoldedNeedle(std::string_view needle)
{
    m_folded.reserve(needle.size());
    for (char c : needle)
        m_folded.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
    if (m_folded.empty())
        return;
    const unsigned char first = static_cast<unsigned char>(m_folded[0]);
    for (int b = 0; b < 256 && m_firstCount < 2; ++b)
        if (kFold[b] == first)
            m_first[m_firstCount++] = static_cast<unsigned char>(b);
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
    if (n == 0 || from > text.size() || text.size() - from < n)
        return npos;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char* const stop = base + (text.size() - n) + 1;  // after the last possible start
    // A byte without a second case is looked for as itself.
    const unsigned char other = m_firstCount == 2 ? m_first[1] : m_first[0];
    for (const unsigned char* p = base + from; p < stop; ++p) {
        p = m_firstCount == 1 ? static_cast<const unsigned char*>(std::memchr(p, m_first[0], static_cast<std::size_t>(stop - p)))
                              : FirstOfTwo(base, p, stop, base + text.size(), m_first[0], other);
        if (!p)
            return npos;
        if (MatchesAt(p))
            return static_cast<std::size_t>(p - base);
    }
    return npos;
}

std::size_t CFoldedNeedle::FindLast(std::string_view text) const
{
    const std::size_t n = m_folded.size();
    if (n == 0 || text.size() < n)
        return npos;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    const unsigned char other = m_firstCount == 2 ? m_first[1] : m_first[0];
    // Candidate starts lie in [base, end).
    for (const unsigned char* end = base + (text.size() - n) + 1; end > base;) {
        const unsigned char* q = LastOfTwo(base, end, m_first[0], other);
        if (!q)
            return npos;
        if (MatchesAt(q))
            return static_cast<std::size_t>(q - base);
        end = q;
    }
    return npos;
}
