// SPDX-License-Identifier: MIT
#include "core/search/find_match.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/document/string_array.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define OVRIN_HAVE_SSE2_PATH 1
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OVRIN_HAVE_AVX2_PATH 1
#endif

namespace {

constexpr std::size_t npos = CFoldedNeedle::npos;

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

// How often a small letter or other byte turns up in ordinary German and
// English text, on a scale of 0 to 255: only the order matters. The scan
// looks for the needle's rarest bytes, so that in a text that lacks the
// needle it meets hardly a candidate whatever the needle starts with.
constexpr std::array<unsigned char, 256> MakeTypicalFrequency()
{
    std::array<unsigned char, 256> f{};
    for (int b = 0; b < 256; ++b)
        f[b] = b < 0x20 ? 1 : b < 0x80 ? 20 : b >= 0xE0 ? 12 : 4;
    f['\r'] = f['\n'] = 40;
    f[' '] = 255;
    f['.'] = f[','] = 60;
    for (int b = '0'; b <= '9'; ++b)
        f[b] = 50;
    constexpr struct {
        char letter;
        unsigned char frequency;
    } kLetters[] = {
        {'e', 250}, {'n', 230}, {'i', 225}, {'s', 220}, {'r', 218}, {'a', 215}, {'t', 212},
        {'o', 190}, {'d', 180}, {'h', 178}, {'u', 170}, {'l', 165}, {'c', 160}, {'g', 150},
        {'m', 140}, {'b', 110}, {'f', 110}, {'w', 100}, {'k', 90},  {'p', 80},  {'v', 70},
        {'z', 60},  {'y', 30},  {'j', 20},  {'x', 15},  {'q', 10},
    };
    for (const auto& l : kLetters)
        f[static_cast<unsigned char>(l.letter)] = l.frequency;
    for (unsigned char b : {0xE4, 0xF6, 0xFC, 0xDF, 0xE9})  // ä ö ü ß é
        f[b] = 50;
    return f;
}

constexpr std::array<unsigned char, 256> kTypicalFrequency = MakeTypicalFrequency();

}  // namespace

unsigned char TypicalFrequency(unsigned char folded) { return kTypicalFrequency[folded]; }

namespace {

// The scan widths, narrowest first.
enum ScanLevel { kPortable = 0, kSse2 = 1, kAvx2 = 2 };

int BestScanLevel()
{
#if defined(OVRIN_HAVE_AVX2_PATH)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return kAvx2;
#endif
#if defined(OVRIN_HAVE_SSE2_PATH)
    return kSse2;
#else
    return kPortable;
#endif
}

// Set while the program's statics are set up; a search before that (none
// is made) would take the portable path.
const int g_bestLevel = BestScanLevel();
int g_level = g_bestLevel;

inline bool IsCandidate(const unsigned char* s, const FindAnchors& a)
{
    return ((s[a.offset[0]] | a.blend[0]) == a.value[0]) & ((s[a.offset[1]] | a.blend[1]) == a.value[1]) &
           ((s[a.offset[2]] | a.blend[2]) == a.value[2]);
}

inline std::uint64_t LowBits(std::size_t count)
{
    return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// One bit for each byte of a text of at most 64 bytes that is a case of
// anchor k (m[k]), byte by byte.
struct ByteBits {
    std::uint64_t m[FindAnchors::kCount] = {0, 0, 0};

    // One bit for each candidate start.
    std::uint64_t Starts(const FindAnchors& a) const
    {
        return (m[0] >> a.offset[0]) & (m[1] >> a.offset[1]) & (m[2] >> a.offset[2]);
    }
};

ByteBits ShortTextBitsPortable(const unsigned char* base, std::size_t length, const FindAnchors& a)
{
    ByteBits bits;
    for (std::size_t i = 0; i < length; ++i)
        for (int k = 0; k < FindAnchors::kCount; ++k)
            bits.m[k] |= static_cast<std::uint64_t>((base[i] | a.blend[k]) == a.value[k]) << i;
    return bits;
}

#if defined(OVRIN_HAVE_SSE2_PATH)
struct Sse2Anchors {
    explicit Sse2Anchors(const FindAnchors& a)
    {
        for (int k = 0; k < FindAnchors::kCount; ++k) {
            blend[k] = _mm_set1_epi8(static_cast<char>(a.blend[k]));
            value[k] = _mm_set1_epi8(static_cast<char>(a.value[k]));
        }
    }
    __m128i blend[FindAnchors::kCount];
    __m128i value[FindAnchors::kCount];
};

inline unsigned Is16(__m128i bytes, const Sse2Anchors& v, int k)
{
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(bytes, v.blend[k]), v.value[k])));
}

inline __m128i Load16(const unsigned char* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// One bit for each of the 16 candidate starts at s.
inline unsigned Candidates16(const unsigned char* s, const FindAnchors& a, const Sse2Anchors& v)
{
    return Is16(Load16(s + a.offset[0]), v, 0) & Is16(Load16(s + a.offset[1]), v, 1) &
           Is16(Load16(s + a.offset[2]), v, 2);
}

// The bits of a short text, each byte loaded once for both anchors. From 16
// bytes on, four blocks, the later ones moved back to end with the text;
// below, two overlapping words side by side in one register. So a short
// text costs no loop.
inline ByteBits ShortTextBits(const unsigned char* base, std::size_t length, const FindAnchors& a)
{
    const Sse2Anchors v(a);
    ByteBits bits;
    if (length >= 16) {
        const std::size_t blocks = length <= 32 ? 2 : 4;
        for (std::size_t k = 0; k < blocks; ++k) {
            const std::size_t at = std::min(16 * k, length - 16);
            const __m128i bytes = Load16(base + at);
            for (int c = 0; c < FindAnchors::kCount; ++c)
                bits.m[c] |= static_cast<std::uint64_t>(Is16(bytes, v, c)) << at;
        }
        return bits;
    }
    if (length < 4)
        return ShortTextBitsPortable(base, length, a);
    // Bytes 0..w-1 in the low lanes, length-w..length-1 from lane 8 on.
    const std::size_t w = length >= 8 ? 8 : 4;
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    std::memcpy(&head, base, w);
    std::memcpy(&tail, base + length - w, w);
    const __m128i bytes = _mm_set_epi64x(static_cast<long long>(tail), static_cast<long long>(head));
    const unsigned laneBits = (1u << w) - 1;
    const auto spread = [&](unsigned m) {
        return static_cast<std::uint64_t>(m & laneBits) | static_cast<std::uint64_t>((m >> 8) & laneBits) << (length - w);
    };
    for (int k = 0; k < FindAnchors::kCount; ++k)
        bits.m[k] = spread(Is16(bytes, v, k));
    return bits;
}
#else
ByteBits ShortTextBits(const unsigned char* base, std::size_t length, const FindAnchors& a)
{
    return ShortTextBitsPortable(base, length, a);
}
#endif

// One bit for each candidate start of a text of at most 64 bytes.
inline std::uint64_t ShortTextCandidates(const unsigned char* base, std::size_t length, const FindAnchors& a)
{
    const ByteBits bits = g_level >= kSse2 ? ShortTextBits(base, length, a) : ShortTextBitsPortable(base, length, a);
    return bits.Starts(a);
}

#if defined(OVRIN_HAVE_AVX2_PATH)
// The AVX2 scans are made for the anchors a needle uses, K of them (1 to
// 3), so that a needle of rare letters pays nothing for a third.
using Avx2Anchors = __m256i[FindAnchors::kCount][2];

template <int K>
__attribute__((target("avx2"))) inline void SetAvx2Anchors(const FindAnchors& a, Avx2Anchors& v)
{
    for (int k = 0; k < K; ++k) {
        v[k][0] = _mm256_set1_epi8(static_cast<char>(a.blend[k]));
        v[k][1] = _mm256_set1_epi8(static_cast<char>(a.value[k]));
    }
}

// All bits set in the bytes of the 32 starts at s that have anchor k.
__attribute__((target("avx2"))) inline __m256i Anchor32(const unsigned char* s, const FindAnchors& a,
                                                        const Avx2Anchors& v, int k)
{
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + a.offset[k]));
    return _mm256_cmpeq_epi8(_mm256_or_si256(x, v[k][0]), v[k][1]);
}

// All bits set in the bytes of the 32 candidate starts at s.
template <int K>
__attribute__((target("avx2"))) inline __m256i Candidates32(const unsigned char* s, const FindAnchors& a,
                                                            const Avx2Anchors& v)
{
    __m256i m = Anchor32(s, a, v, 0);
    for (int k = 1; k < K; ++k)
        m = _mm256_and_si256(m, Anchor32(s, a, v, k));
    return m;
}

__attribute__((target("avx2"))) inline std::uint32_t Bits(__m256i bytes)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

// The first candidate among `count` (at least 32) starts at p, a block at a
// time; the last block overlaps its neighbour.
template <int K>
__attribute__((target("avx2"))) std::size_t FirstCandidateAvx2(const unsigned char* base, const unsigned char* p,
                                                               std::size_t count, const FindAnchors& a)
{
    Avx2Anchors v;
    SetAvx2Anchors<K>(a, v);
    const unsigned char* const last = p + count - 32;
    for (; p < last; p += 32)
        if (const std::uint32_t m = Bits(Candidates32<K>(p, a, v)))
            return static_cast<std::size_t>(p - base) + static_cast<unsigned>(__builtin_ctz(m));
    const std::uint32_t m = Bits(Candidates32<K>(last, a, v));
    return m ? static_cast<std::size_t>(last - base) + static_cast<unsigned>(__builtin_ctz(m)) : npos;
}

__attribute__((target("avx2"))) inline std::uint64_t Is32(__m256i bytes, const Avx2Anchors& v, int k)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_or_si256(bytes, v[k][0]), v[k][1])));
}

// The candidate starts of a text of at most 64 bytes whose bytes are in
// `low` and, from byte `shift` on, in `high`.
template <int K>
__attribute__((target("avx2"))) inline std::uint64_t Starts64(__m256i low, __m256i high, std::size_t shift,
                                                              const FindAnchors& a, const Avx2Anchors& v)
{
    std::uint64_t starts = ~std::uint64_t{0};
    for (int k = 0; k < K; ++k)
        starts &= (Is32(low, v, k) | Is32(high, v, k) << shift) >> a.offset[k];
    return starts;
}

std::size_t FirstCandidate(const unsigned char* base, std::size_t length, std::size_t from, std::size_t count,
                           const FindAnchors& a);

// Whether `any` or one of the first `count` starts at p (at least 32, at
// most 32 * N) is a candidate: N blocks, the later ones moved back to end
// with the starts.
template <int K, int N>
__attribute__((target("avx2"), no_sanitize_address, always_inline)) inline bool
AnyInBlocks(const unsigned char* p, std::size_t count, const FindAnchors& a, const Avx2Anchors& v, __m256i any)
{
    const std::size_t last = count - 32;
    // Written out block by block (the compiler would keep a loop of nine).
#pragma GCC unroll 16
    for (std::size_t k = 0; k < N; ++k)
        any = _mm256_or_si256(any, Candidates32<K>(p + std::min(32 * k, last), a, v));
    return !_mm256_testz_si256(any, any);
}

// Whether a text of `length` bytes holds a candidate among its first `count`
// starts. A search of a large table is mostly texts of a few dozen to a few
// hundred bytes without a candidate, and there a mispredicted branch costs
// more than the bytes. So a text of up to 64 bytes is loaded whole at once,
// and one of up to 288 starts takes no loop: nine blocks, the later ones
// moved back to end with the text (fewer for a shorter text would cost a
// branch that is often mispredicted, which costs more than the blocks it
// saves); one of up to 448, fourteen.
//
// A text shorter than 32 bytes is read as 32 bytes when they lie in one
// page: such a load cannot fault, whatever follows the text, and the
// starts past its end are masked off. (The address sanitizer would count
// the bytes after the text as read.)
template <int K>
__attribute__((target("avx2"), no_sanitize_address, always_inline)) inline bool
AnyCandidateAvx2(const unsigned char* base, std::size_t length, std::size_t count, const FindAnchors& a)
{
    constexpr std::uintptr_t kPage = 4096;
    const bool inOnePage = (reinterpret_cast<std::uintptr_t>(base) & (kPage - 1)) <= kPage - 32;
    if (length < 32 && !inOnePage)
        return (ShortTextBits(base, length, a).Starts(a) & LowBits(count)) != 0;
    Avx2Anchors v;
    SetAvx2Anchors<K>(a, v);
    if (length <= 64) {
        const __m256i head = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base));
        // A short text's tail is its head again, moved by nothing.
        const std::size_t shift = length < 32 ? 0 : length - 32;
        const __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + shift));
        return (Starts64<K>(head, tail, shift, a, v) & LowBits(count)) != 0;
    }
    if (count < 32)
        return FirstCandidate(base, length, 0, count, a) != npos;
    const unsigned char* p = base;
    __m256i any = _mm256_setzero_si256();
    // The longer descriptions, up to 448 starts, take fourteen blocks in
    // one go: the test is the one a longer text makes anyway, and a loop
    // of eight and then nine would read three blocks more. (A branch to
    // five blocks for up to 160 starts measured slower.)
    if (count > 288 && count <= 448)
        return AnyInBlocks<K, 14>(p, count, a, v, any);
    for (; count > 288; p += 256, count -= 256)
        for (int k = 0; k < 8; ++k)
            any = _mm256_or_si256(any, Candidates32<K>(p + 32 * k, a, v));
    return AnyInBlocks<K, 9>(p, count, a, v, any);
}

// The same as a function of its own, for callers built without AVX2.
template <int K>
__attribute__((target("avx2"), no_sanitize_address)) bool AnyCandidateInAvx2(const unsigned char* base,
                                                                             std::size_t length, std::size_t count,
                                                                             const FindAnchors& a)
{
    return AnyCandidateAvx2<K>(base, length, count, a);
}

template <int K>
__attribute__((target("avx2"), no_sanitize_address)) bool MayBeInEitherAvx2(std::string_view a, std::string_view b,
                                                                            std::size_t n, const FindAnchors& anchors)
{
    const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
    // Both texts are looked at before anything is decided: one branch an
    // entry instead of two.
    return (a.size() >= n && AnyCandidateAvx2<K>(pa, a.size(), a.size() - n + 1, anchors)) |
           (b.size() >= n && AnyCandidateAvx2<K>(pb, b.size(), b.size() - n + 1, anchors));
}

// The sweep over a run of texts' bytes: the candidate starts among the 32
// at s, and, where Marks asks for them, the bytes 0xFE (the second byte of
// every text mark) among the 32 at s + a.offset[0].
template <int K, bool Marks>
__attribute__((target("avx2"))) inline __m256i SweepBits32(const unsigned char* s, const FindAnchors& a,
                                                           const Avx2Anchors& v)
{
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + a.offset[0]));
    __m256i m = _mm256_cmpeq_epi8(_mm256_or_si256(x, v[0][0]), v[0][1]);
    for (int k = 1; k < K; ++k)
        m = _mm256_and_si256(m, Anchor32(s, a, v, k));
    if constexpr (Marks)
        m = _mm256_or_si256(m, _mm256_cmpeq_epi8(x, _mm256_set1_epi8(static_cast<char>(0xFE))));
    return m;
}

// Calls settle(at, bits) for the 32 starts at `at`, among the `count` (at
// least 32) at p, wherever SweepBits32 leaves a bit, until it returns true;
// returns whether it did. Four blocks are tested at once: in a run without
// a candidate the test costs more than the blocks.
template <int K, bool Marks, typename Settle>
__attribute__((target("avx2"))) bool SweepAvx2(const unsigned char* p, std::size_t count, const FindAnchors& a,
                                               Settle&& settle)
{
    Avx2Anchors v;
    SetAvx2Anchors<K>(a, v);
    const unsigned char* const last = p + count - 32;
    for (; p + 96 <= last; p += 128) {
        const __m256i any = _mm256_or_si256(
            _mm256_or_si256(SweepBits32<K, Marks>(p, a, v), SweepBits32<K, Marks>(p + 32, a, v)),
            _mm256_or_si256(SweepBits32<K, Marks>(p + 64, a, v), SweepBits32<K, Marks>(p + 96, a, v)));
        if (!_mm256_testz_si256(any, any)) [[unlikely]]
            for (const unsigned char* at = p; at < p + 128; at += 32)
                if (const std::uint32_t m = Bits(SweepBits32<K, Marks>(at, a, v)); m != 0 && settle(at, m))
                    return true;
    }
    for (; p < last; p += 32)
        if (const std::uint32_t m = Bits(SweepBits32<K, Marks>(p, a, v)); m != 0 && settle(p, m))
            return true;
    const std::uint32_t m = Bits(SweepBits32<K, Marks>(last, a, v));
    return m != 0 && settle(last, m);
}
#endif

// Calls scan.template operator()<K>() with K the number of anchors `a`
// uses: the AVX2 scans are made for each count.
template <typename Scan>
decltype(auto) ByAnchorCount(const FindAnchors& a, Scan&& scan)
{
    return a.used == 3 ? scan.template operator()<3>() : a.used == 2 ? scan.template operator()<2>() : scan.template operator()<1>();
}

// The first candidate start in [from, from + count) of a text of `length`
// bytes, or npos; from + count is at most length - needle size + 1, so
// every start counted has the whole needle's room.
std::size_t FirstCandidate(const unsigned char* base, std::size_t length, std::size_t from, std::size_t count,
                           const FindAnchors& a)
{
    if (length <= 64) {
        const std::uint64_t m = (ShortTextCandidates(base, length, a) >> from) & LowBits(count);
        return m ? from + static_cast<unsigned>(__builtin_ctzll(m)) : npos;
    }
    const unsigned char* p = base + from;
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_level >= kAvx2 && count >= 32)
        return ByAnchorCount(a, [&]<int K>() { return FirstCandidateAvx2<K>(base, p, count, a); });
#endif
#if defined(OVRIN_HAVE_SSE2_PATH)
    if (g_level >= kSse2 && count >= 16) {
        const Sse2Anchors v(a);
        const unsigned char* const last = p + count - 16;
        for (; p < last; p += 16)
            if (const unsigned m = Candidates16(p, a, v))
                return static_cast<std::size_t>(p - base) + static_cast<unsigned>(__builtin_ctz(m));
        const unsigned m = Candidates16(last, a, v);
        return m ? static_cast<std::size_t>(last - base) + static_cast<unsigned>(__builtin_ctz(m)) : npos;
    }
#endif
    for (const unsigned char* const end = p + count; p < end; ++p)
        if (IsCandidate(p, a))
            return static_cast<std::size_t>(p - base);
    return npos;
}

// Whether a text of `length` bytes holds a candidate start among the first
// `count`.
bool AnyCandidate(const unsigned char* base, std::size_t length, std::size_t count, const FindAnchors& a)
{
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_level >= kAvx2)
        return ByAnchorCount(a, [&]<int K>() { return AnyCandidateInAvx2<K>(base, length, count, a); });
#endif
    if (length <= 64)
        return (ShortTextCandidates(base, length, a) & LowBits(count)) != 0;
    return FirstCandidate(base, length, 0, count, a) != npos;
}

// The last candidate start in [0, count) of a text of `length` bytes, or npos.
std::size_t LastCandidate(const unsigned char* base, std::size_t length, std::size_t count, const FindAnchors& a)
{
    if (length <= 64) {
        const std::uint64_t m = ShortTextCandidates(base, length, a) & LowBits(count);
        return m ? 63 - static_cast<unsigned>(__builtin_clzll(m)) : npos;
    }
#if defined(OVRIN_HAVE_SSE2_PATH)
    if (g_level >= kSse2) {
        const Sse2Anchors v(a);
        for (; count >= 16; count -= 16)
            if (const unsigned m = Candidates16(base + count - 16, a, v))
                return count - 16 + (31 - static_cast<unsigned>(__builtin_clz(m)));
    }
#endif
    while (count > 0)
        if (IsCandidate(base + --count, a))
            return count;
    return npos;
}

// The bytes a needle is looked for by: the rarest, then the rarest of the
// others. Among equals a different byte goes first; of other bytes the
// farthest (neighbours go together more often than bytes apart), of the
// same byte the nearest (a doubled letter is rarer than the letter twice).
// When the two are common enough to meet often at their distance, the
// rarest of the rest by the same order is a third.
constexpr int kCommonPair = 150;

FindAnchors ChooseAnchors(const std::string& folded)
{
    FindAnchors a;
    const auto frequency = [&](std::size_t i) { return kTypicalFrequency[static_cast<unsigned char>(folded[i])]; };
    std::size_t rarest = 0;
    for (std::size_t i = 1; i < folded.size(); ++i)
        if (frequency(i) < frequency(rarest))
            rarest = i;
    const auto distance = [&](std::size_t i) { return i > rarest ? i - rarest : rarest - i; };
    const auto same = [&](std::size_t i) { return folded[i] == folded[rarest]; };
    const auto better = [&](std::size_t i, std::size_t j) {
        if (frequency(i) != frequency(j))
            return frequency(i) < frequency(j);
        if (same(i) != same(j))
            return !same(i);
        return same(i) ? distance(i) < distance(j) : distance(i) > distance(j);
    };
    // The best byte that is not yet an anchor (the rarest when none is left).
    const auto next = [&](std::size_t taken) {
        std::size_t best = rarest;
        for (std::size_t i = 0; i < folded.size(); ++i)
            if (i != rarest && i != taken && (best == rarest || better(i, best)))
                best = i;
        return best;
    };
    std::size_t second = next(rarest);
    const bool common = frequency(rarest) + frequency(second) >= kCommonPair;
    std::size_t third = common ? next(second) : rarest;
    // Words are typed with one blank between them, so two blanks in a row
    // are rarer than any two letters: a needle that holds them is looked
    // for by them.
    if (const std::size_t blanks = folded.find("  "); blanks != std::string::npos) {
        rarest = third = blanks;
        second = blanks + 1;
        a.used = 2;
    } else {
        a.used = folded.size() == 1 ? 1 : common ? 3 : 2;
    }
    a.offset[0] = rarest;
    a.offset[1] = second;
    a.offset[2] = third;
    for (int k = 0; k < FindAnchors::kCount; ++k) {
        // The bits in which the bytes that fold to this one differ from it.
        const unsigned char f = static_cast<unsigned char>(folded[a.offset[k]]);
        unsigned char differ = 0;
        for (int b = 0; b < 256; ++b)
            if (kFold[b] == f)
                differ |= static_cast<unsigned char>(b ^ f);
        a.blend[k] = differ;
        a.value[k] = static_cast<unsigned char>(f | differ);
    }
    return a;
}

bool HoldsTextMark(const unsigned char* p, std::size_t length)
{
    return std::string_view(reinterpret_cast<const char*>(p), length).find(kTextMark) != std::string_view::npos;
}

// Whether `length` bytes at p hold a start of `size` bytes where the
// anchors hold and `accept` takes the bytes, or, where `marks` asks for
// them, a text's mark.
template <typename Accept>
bool SweepBytes(const unsigned char* p, std::size_t length, std::size_t size, const FindAnchors& a, bool marks,
                Accept&& accept)
{
    if (length < size)
        return false;
    const std::size_t count = length - size + 1;
    // Bytes where candidates that are no occurrence crowd (a needle that
    // begins like a common phrase) cost more swept than walked: past a
    // candidate in 4 KiB the sweep gives up, as if it had met one.
    std::size_t misses = 0;
    const std::size_t budget = length / 4096 + 8;
    const auto take = [&](const unsigned char* s) { return accept(s) || ++misses > budget; };
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_level >= kAvx2 && count >= 32) {
        const std::size_t first = a.offset[0];
        const auto settle = [&](const unsigned char* at, std::uint32_t bits) {
            for (; bits != 0; bits &= bits - 1) {
                const unsigned char* s = at + __builtin_ctz(bits);
                if (take(s))
                    return true;
                // A 0xFE at s[first]: a text mark if the bytes around it are 0xFF.
                const unsigned char* fe = s + first;
                if (marks && *fe == 0xFE && fe > p && fe + 1 < p + length && fe[-1] == 0xFF && fe[1] == 0xFF)
                    return true;
            }
            return false;
        };
        if (!marks)
            return ByAnchorCount(a, [&]<int K>() { return SweepAvx2<K, false>(p, count, a, settle); });
        // The loads for the first anchor cover the bytes from p + first to
        // p + count + first: the marks whose 0xFE lies before or after them
        // are looked for on their own.
        const std::size_t tail = std::min(length, count + first - 1);
        return HoldsTextMark(p, std::min(length, first + 1)) || HoldsTextMark(p + tail, length - tail) ||
               ByAnchorCount(a, [&]<int K>() { return SweepAvx2<K, true>(p, count, a, settle); });
    }
#endif
    if (marks && HoldsTextMark(p, length))
        return true;
    for (std::size_t s = 0; s < count; ++s) {
        s = FirstCandidate(p, length, s, count - s, a);
        if (s == npos)
            return false;
        if (take(p + s))
            return true;
    }
    return false;
}

std::string EncodeUtf8(char32_t c)
{
    if (c < 0x80)
        return std::string(1, static_cast<char>(c));
    constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    const int more = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    std::string s(1, static_cast<char>(kLead[more] | c >> (6 * more)));
    for (int k = more - 1; k >= 0; --k)
        s += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    return s;
}

// A wide needle's longest run of characters whose forms (the characters
// that fold as each does) are of one length each, so that its bytes stand
// at fixed distances in every wide text that holds the needle: a byte of
// such a text passes at j when (byte | blend[j]) == value[j].
struct ByteRun {
    std::string blend;
    std::string value;
};

ByteRun LongestRunOfOneLength(std::string_view needle)
{
    ByteRun best;
    ByteRun run;
    for (TextCharacters chars(needle);;) {
        std::vector<std::string> forms;
        if (!chars.AtEnd())
            for (const char32_t c : CharactersFoldingTo(FoldForFind(chars.Next())))
                forms.push_back(EncodeUtf8(c));
        const auto length = forms.empty() ? 0 : forms[0].size();
        const auto ofLength = [&](const std::string& f) { return f.size() == length; };
        if (length > 0 && std::all_of(forms.begin(), forms.end(), ofLength)) {
            for (std::size_t t = 0; t < length; ++t) {
                unsigned char differ = 0;
                for (const std::string& f : forms)
                    differ |= static_cast<unsigned char>(f[t] ^ forms[0][t]);
                run.blend += static_cast<char>(differ);
                run.value += static_cast<char>(forms[0][t] | differ);
            }
            continue;
        }
        if (run.value.size() > best.value.size())
            best = run;
        run = {};
        if (forms.empty())
            return best;
    }
}

// Up to three bytes of a run to sweep for, the rarest: an ASCII byte by its
// frequency, a byte that goes on a character beyond ASCII by the values it
// lets pass, and one that begins it last (every character of its script
// shares it).
FindAnchors RunAnchors(const ByteRun& run)
{
    const auto rarity = [&](std::size_t j) {
        const auto v = static_cast<unsigned char>(run.value[j]);
        const int passing = std::popcount(static_cast<unsigned char>(run.blend[j]));
        return v < 0x80 ? kTypicalFrequency[v] : v < 0xC0 ? 120 + 20 * passing : 240;
    };
    std::vector<std::size_t> order(run.value.size());
    for (std::size_t j = 0; j < order.size(); ++j)
        order[j] = j;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return rarity(i) < rarity(j); });
    FindAnchors a;
    a.used = static_cast<int>(std::min<std::size_t>(FindAnchors::kCount, order.size()));
    for (int k = 0; k < FindAnchors::kCount; ++k) {
        const std::size_t j = order[k < a.used ? k : 0];
        a.offset[k] = j;
        a.blend[k] = static_cast<unsigned char>(run.blend[j]);
        a.value[k] = static_cast<unsigned char>(run.value[j]);
    }
    return a;
}

}  // namespace

void LimitFindScans(FindScanWidth widest)
{
    const int level = widest == FindScanWidth::Portable ? kPortable : widest == FindScanWidth::Sse2 ? kSse2 : kAvx2;
    g_level = std::min(level, g_bestLevel);
}

unsigned char FoldCp1252(unsigned char byte)
{
    return kFold[byte];
}

CFoldedNeedle::CFoldedNeedle(std::string_view text) : m_wide(text)
{
    const std::string_view needle = m_wide.Cp1252Needle();
    m_folded.reserve(needle.size());
    for (char c : needle)
        m_folded.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
    if (!m_folded.empty())
        m_anchor = ChooseAnchors(m_folded);
    if (m_wide.NeverInCp1252()) {
        const ByteRun run = LongestRunOfOneLength(text);
        m_runBlend = run.blend;
        m_runValue = run.value;
        if (!m_runValue.empty())
            m_runAnchor = RunAnchors(run);
    }
    // A marked text holds an occurrence where its bytes are the needle's
    // folded bytes when the needle is ASCII and no character beyond ASCII
    // folds to one of its letters: UTF-8 keeps ASCII bytes as they are.
    std::uint64_t asked[2] = {0, 0};
    m_marksMatter = m_wide.NeverInCp1252();
    for (std::size_t i = 0; i < m_folded.size() && !m_marksMatter; ++i) {
        const auto b = static_cast<unsigned char>(m_folded[i]);
        m_marksMatter = b >= 0x80;
        if (m_marksMatter || (asked[b / 64] >> (b % 64) & 1))
            continue;
        asked[b / 64] |= std::uint64_t{1} << (b % 64);
        for (const char32_t form : CharactersFoldingTo(b))
            m_marksMatter = m_marksMatter || form >= 0x80;
    }
}

bool CFoldedNeedle::MatchesAt(const unsigned char* p) const
{
    const auto* n = reinterpret_cast<const unsigned char*>(m_folded.data());
    for (std::size_t k = 0; k < m_folded.size(); ++k)
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
    if (text.size() < n || from > text.size() - n)
        return npos;
    const auto* base = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t starts = text.size() - n + 1;
    // In a table of short texts most have no candidate at all; the test for
    // one is cheaper than the way to the first.
    if (!AnyCandidate(base, text.size(), starts, m_anchor))
        return npos;
    for (std::size_t s = from; s < starts; ++s) {
        s = FirstCandidate(base, text.size(), s, starts - s, m_anchor);
        if (s == npos)
            return npos;
        if (MatchesAt(base + s))
            return s;
    }
    return npos;
}

bool CFoldedNeedle::IsIn(std::string_view text) const
{
    return FindFirst(text) != npos;
}

bool CFoldedNeedle::MayBeInEither(std::string_view a, std::string_view b) const
{
    const std::size_t n = m_folded.size();
    if (n == 0)
        return false;
    if (m_wide.NeverInCp1252())
        return m_wide.InMarkedOf(a, b);
    if (m_wide.Takes(a) || m_wide.Takes(b))
        return IsIn(a) || IsIn(b);
#if defined(OVRIN_HAVE_AVX2_PATH)
    if (g_level >= kAvx2)
        return ByAnchorCount(m_anchor, [&]<int K>() { return MayBeInEitherAvx2<K>(a, b, n, m_anchor); });
#endif
    const auto any = [&](std::string_view text) {
        return text.size() >= n &&
               AnyCandidate(reinterpret_cast<const unsigned char*>(text.data()), text.size(), text.size() - n + 1,
                            m_anchor);
    };
    return any(a) | any(b);
}

void CSweptClean::Sort()
{
    std::sort(m_blocks.begin(), m_blocks.end());
}

bool CSweptClean::Find(std::uintptr_t at) const
{
    // The first block that begins after the record, and the one before it.
    const auto after = std::upper_bound(m_blocks.begin(), m_blocks.end(), at,
                                        [](std::uintptr_t p, const Range& block) { return p < block.first; });
    if (after != m_blocks.begin() && at < after[-1].second) {
        m_lastBlock = after[-1];
        return true;
    }
    m_lastGap = {after == m_blocks.begin() ? 0 : after[-1].second,
                 after == m_blocks.end() ? UINTPTR_MAX : after->first};
    return false;
}

bool CFoldedNeedle::MayBeInAny(const CStringArray& a, const CStringArray* b, std::size_t from, bool backward,
                               CSweptClean* clean) const
{
    if (m_folded.empty())
        return false;
    // A run of one byte (one of them a needle of a single byte) is that of
    // some text's length in any large table, so the sweep would seldom
    // spare the walk.
    const std::size_t size = m_wide.NeverInCp1252() ? m_runValue.size() : m_folded.size();
    if (size < 2)
        return !a.empty() || (b != nullptr && !b->empty());
    // Each array's blocks in the order they are swept, from the one where
    // text `from` would lie if its bytes were spread evenly.
    struct Sweep {
        std::vector<std::string_view> blocks;
        std::uint64_t bytes = 0;
        std::uint64_t swept = 0;
        std::size_t next = 0;
    };
    Sweep sweeps[2];
    for (int k = 0; k < 2; ++k) {
        const CStringArray* texts = k == 0 ? &a : b;
        if (texts == nullptr || texts->empty())
            continue;
        Sweep& w = sweeps[k];
        texts->VisitBlocks([&](const char* begin, const char* end) {
            w.blocks.emplace_back(begin, static_cast<std::size_t>(end - begin));
            w.bytes += w.blocks.back().size();
            return true;
        });
        if (w.blocks.empty())
            continue;
        const std::uint64_t at = w.bytes * std::min(from, texts->size() - 1) / texts->size();
        std::size_t first = 0;
        for (std::uint64_t before = 0; first + 1 < w.blocks.size() && before + w.blocks[first].size() <= at; ++first)
            before += w.blocks[first].size();
        std::rotate(w.blocks.begin(), w.blocks.begin() + static_cast<std::ptrdiff_t>(first), w.blocks.end());
        if (backward)
            std::reverse(w.blocks.begin() + 1, w.blocks.end());
    }
    // The array swept the smaller part of goes next.
    bool may = false;
    while (!may) {
        const auto part = [](const Sweep& w) {
            return w.next == w.blocks.size() ? 2.0
                                              : static_cast<double>(w.swept) / static_cast<double>(w.bytes + 1);
        };
        const int k = part(sweeps[0]) <= part(sweeps[1]) ? 0 : 1;
        Sweep& w = sweeps[k];
        if (w.next == w.blocks.size())
            break;
        const std::string_view block = w.blocks[w.next++];
        w.swept += block.size();
        may = MayBeInBytes(reinterpret_cast<const unsigned char*>(block.data()), block.size());
        if (!may && clean != nullptr)
            clean[k].Add(block.data(), block.data() + block.size());
    }
    if (clean != nullptr) {
        clean[0].Sort();
        clean[1].Sort();
    }
    return may;
}

bool CFoldedNeedle::MayBeInBytes(const unsigned char* p, std::size_t length) const
{
    // A needle no plain text holds is in a wide text, where the bytes of
    // its run pass; any other is where its folded bytes are, or in a text
    // with a mark. So every occurrence takes at least the bytes swept for.
    if (m_wide.NeverInCp1252())
        return SweepBytes(p, length, m_runValue.size(), m_runAnchor, false, [&](const unsigned char* s) {
            for (std::size_t j = 0; j < m_runValue.size(); ++j)
                if ((s[j] | static_cast<unsigned char>(m_runBlend[j])) != static_cast<unsigned char>(m_runValue[j]))
                    return false;
            return true;
        });
    return SweepBytes(p, length, m_folded.size(), m_anchor, m_marksMatter,
                      [&](const unsigned char* s) { return MatchesAt(s); });
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
    for (std::size_t count = text.size() - n + 1; count > 0;) {
        const std::size_t s = LastCandidate(base, text.size(), count, m_anchor);
        if (s == npos)
            return npos;
        if (MatchesAt(base + s))
            return s;
        count = s;
    }
    return npos;
}
