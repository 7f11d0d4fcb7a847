// SPDX-License-Identifier: MIT
#include "core/search/utf16_find_filter.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OVRIN_UNIT_FILTER_AVX2 1
#endif

#include "core/search/find_match.h"
#include "core/search/wide_text_find.h"
#include "core/text/cp1252.h"
#include "core/text/text_form.h"

namespace {

using Forms = CUtf16FindFilter::Forms;

bool HoldsScalar(const unsigned char* p, std::size_t n, const Forms& forms)
{
    for (std::size_t i = 0; i < n; ++i) {
        const auto unit = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        for (int k = 0; k < forms.count; ++k)
            if (unit == forms.unit[k])
                return true;
    }
    return false;
}

#ifdef OVRIN_UNIT_FILTER_AVX2
// Sixteen units a step, up to the first form found; the last step reads the
// last sixteen units, which may look at some twice. The forms are padded to
// four by repeating the first.
__attribute__((target("avx2"))) bool HoldsAvx2(const unsigned char* p, std::size_t n, const Forms& forms)
{
    const __m256i a = _mm256_set1_epi16(static_cast<short>(forms.unit[0]));
    const __m256i b = _mm256_set1_epi16(static_cast<short>(forms.unit[1]));
    const __m256i c = _mm256_set1_epi16(static_cast<short>(forms.unit[2]));
    const __m256i d = _mm256_set1_epi16(static_cast<short>(forms.unit[3]));
    const auto any = [&](const unsigned char* at) __attribute__((target("avx2"))) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        return _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(v, a), _mm256_cmpeq_epi16(v, b)),
                               _mm256_or_si256(_mm256_cmpeq_epi16(v, c), _mm256_cmpeq_epi16(v, d)));
    };
    const unsigned char* const last = p + 2 * (n - 16);
    for (; p < last; p += 32)
        if (const __m256i seen = any(p); !_mm256_testz_si256(seen, seen))
            return true;
    const __m256i seen = any(last);
    return !_mm256_testz_si256(seen, seen);
}
const bool g_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));

// From start `s` on, sixteen starts a step, while a step holds sixteen: the
// bits (2k for start s + k) of the first step with a start whose units at
// a and b are forms of `fa` and `fb`, with `s` at that step; or 0, with `s`
// at the first start not looked at.
__attribute__((target("avx2"))) std::uint32_t PairBitsAvx2(const unsigned char* p, std::size_t& s,
                                                           std::size_t starts, std::size_t a, const Forms& fa,
                                                           std::size_t b, const Forms& fb)
{
#define OVRIN_FORM(f, k) _mm256_set1_epi16(static_cast<short>((f).unit[k]))
    const __m256i a0 = OVRIN_FORM(fa, 0), a1 = OVRIN_FORM(fa, 1), a2 = OVRIN_FORM(fa, 2), a3 = OVRIN_FORM(fa, 3);
    const __m256i b0 = OVRIN_FORM(fb, 0), b1 = OVRIN_FORM(fb, 1), b2 = OVRIN_FORM(fb, 2), b3 = OVRIN_FORM(fb, 3);
#undef OVRIN_FORM
    for (; s + 16 <= starts; s += 16) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 * (s + a)));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 2 * (s + b)));
        const __m256i inA = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(va, a0), _mm256_cmpeq_epi16(va, a1)),
                                            _mm256_or_si256(_mm256_cmpeq_epi16(va, a2), _mm256_cmpeq_epi16(va, a3)));
        const __m256i inB = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi16(vb, b0), _mm256_cmpeq_epi16(vb, b1)),
                                            _mm256_or_si256(_mm256_cmpeq_epi16(vb, b2), _mm256_cmpeq_epi16(vb, b3)));
        const __m256i both = _mm256_and_si256(inA, inB);
        if (!_mm256_testz_si256(both, both))
            return static_cast<std::uint32_t>(_mm256_movemask_epi8(both)) & 0x55555555U;
    }
    return 0;
}
#endif

#if defined(__SSE2__)
// Eight to sixteen units: the first eight and the last eight.
bool HoldsSse2(const unsigned char* p, std::size_t n, const Forms& forms)
{
    const auto any = [&](const unsigned char* at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const auto is = [&](int k) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(forms.unit[k]))); };
        return _mm_or_si128(_mm_or_si128(is(0), is(1)), _mm_or_si128(is(2), is(3)));
    };
    return _mm_movemask_epi8(_mm_or_si128(any(p), any(p + 2 * (n - 8)))) != 0;
}
#endif

bool Holds(const unsigned char* p, std::size_t n, const Forms& forms)
{
#ifdef OVRIN_UNIT_FILTER_AVX2
    if (g_avx2 && n >= 16)
        return HoldsAvx2(p, n, forms);
#endif
#if defined(__SSE2__)
    if (n >= 8)
        return HoldsSse2(p, n, forms);
#endif
    return HoldsScalar(p, n, forms);
}

// A character UTF-16 writes as one unit of its own.
bool IsUnit(char32_t c) { return c < 0xD800 || (c >= 0xE000 && c < 0x10000); }

// How rare a character of the needle is, folded: lower is rarer. A letter
// beyond Windows-1252 counts as about as common as m: where a document has
// one, it mostly has a word of them, so a rare Latin letter of the needle
// is often the better one to look for first.
int Frequency(char32_t folded)
{
    const int byte = UnicodeToCp1252(folded);
    return byte < 0 ? 120 : TypicalFrequency(static_cast<unsigned char>(byte));
}

}  // namespace

CUtf16FindFilter::CUtf16FindFilter(std::string_view needle)
{
    std::vector<char32_t> folded;
    for (TextCharacters chars(needle); !chars.AtEnd();) {
        const char32_t f = FoldForFind(chars.Next());
        if (std::find(folded.begin(), folded.end(), f) == folded.end())
            folded.push_back(f);
    }
    bool units = true;
    for (TextCharacters chars(needle); units && !chars.AtEnd();) {
        const char32_t f = FoldForFind(chars.Next());
        std::u16string forms;
        for (const char32_t c : CharactersFoldingTo(f)) {
            units = units && IsUnit(c);
            forms += static_cast<char16_t>(c);
        }
        if (forms.empty() || forms.size() > kMaxForms) {
            units = false;
            break;
        }
        m_needle.push_back(forms);
    }
    if (!units)
        m_needle.clear();
    else if (!m_needle.empty()) {
        // The two rarest places, the first of equals.
        const auto rarity = [&](std::size_t j) { return Frequency(FoldForFind(m_needle[j][0])); };
        for (std::size_t j = 1; j < m_needle.size(); ++j)
            if (rarity(j) < rarity(m_anchor))
                m_anchor = j;
        m_second = m_anchor == 0 && m_needle.size() > 1 ? 1 : 0;
        for (std::size_t j = m_second + 1; j < m_needle.size(); ++j)
            if (j != m_anchor && rarity(j) < rarity(m_second))
                m_second = j;
        const auto formsOf = [&](std::size_t j, Forms& to) {
            for (const char16_t c : m_needle[j])
                to.unit[to.count++] = c;
            std::fill(to.unit + to.count, to.unit + kMaxForms, to.unit[0]);
        };
        formsOf(m_anchor, m_anchorForms);
        formsOf(m_second, m_secondForms);
    }
    std::stable_sort(folded.begin(), folded.end(),
                     [](char32_t a, char32_t b) { return Frequency(a) < Frequency(b); });
    for (const char32_t f : folded) {
        if (m_used == kMaxCharacters)
            break;
        const std::vector<char32_t> all = CharactersFoldingTo(f);
        if (all.empty() || all.size() > kMaxForms || !std::all_of(all.begin(), all.end(), IsUnit))
            continue;
        m_order[m_used] = m_used;
        Forms& forms = m_forms[m_used++];
        for (const char32_t c : all)
            forms.unit[forms.count++] = static_cast<char16_t>(c);
        std::fill(forms.unit + forms.count, forms.unit + kMaxForms, forms.unit[0]);
    }
    m_looked = m_used;
}

bool CUtf16FindFilter::MayHold(std::string_view units) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(units.data());
    const std::size_t n = units.size() / 2;
    for (int k = 0; k < m_looked; ++k) {
        const int c = m_order[k];
        ++m_asked[c];
        if (!Holds(p, n, m_forms[c])) {
            ++m_refused[c];
            if (++m_refusals % kReorderEvery == 0)
                Reorder();
            return false;
        }
    }
    return m_needle.empty() || HoldsNeedle(p, n);
}

bool CUtf16FindFilter::HoldsNeedle(const unsigned char* p, std::size_t n) const
{
    const std::size_t m = m_needle.size();
    if (n < m)
        return false;
    const auto unit = [p](std::size_t i) { return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8)); };
    const auto startsAt = [&](std::size_t s) {
        for (std::size_t j = 0; j < m; ++j)
            if (m_needle[j].find(unit(s + j)) == std::u16string::npos)
                return false;
        return true;
    };
    // Starts whose two rarest places hold their forms are compared in full.
    const std::size_t starts = n - m + 1;
    std::size_t s = 0;
#ifdef OVRIN_UNIT_FILTER_AVX2
    if (g_avx2)
        while (std::uint32_t bits = PairBitsAvx2(p, s, starts, m_anchor, m_anchorForms, m_second, m_secondForms)) {
            for (; bits != 0; bits &= bits - 1)
                if (startsAt(s + static_cast<unsigned>(std::countr_zero(bits)) / 2))
                    return true;
            s += 16;
        }
    // The last starts as the last sixteen, without those looked at.
    if (g_avx2 && starts >= 16 && s < starts) {
        const std::size_t last = starts - 16;
        // The scan moves its start on past a step without a hit: a copy.
        std::size_t at = last;
        std::uint32_t bits = PairBitsAvx2(p, at, starts, m_anchor, m_anchorForms, m_second, m_secondForms);
        if (bits != 0)
            bits &= ~0U << (2 * (s - last));
        for (; bits != 0; bits &= bits - 1)
            if (startsAt(last + static_cast<unsigned>(std::countr_zero(bits)) / 2))
                return true;
        return false;
    }
#endif
    const auto isForm = [](char16_t u, const Forms& forms) {
        for (int k = 0; k < forms.count; ++k)
            if (u == forms.unit[k])
                return true;
        return false;
    };
    for (; s < starts; ++s)
        if (isForm(unit(s + m_anchor), m_anchorForms) && isForm(unit(s + m_second), m_secondForms) && startsAt(s))
            return true;
    return false;
}

void CUtf16FindFilter::Reorder() const
{
    const auto rate = [this](int c) { return static_cast<double>(m_refused[c]) / std::max(m_asked[c], 1U); };
    std::stable_sort(m_order, m_order + m_used, [&](int a, int b) { return rate(a) > rate(b); });
    // Before the look for the whole needle, a character that has refused
    // hardly a text of many is not worth a look of its own (nor asked
    // about again); the first is always looked for.
    if (m_needle.empty())
        return;
    m_looked = 1;
    while (m_looked < m_used && (m_asked[m_order[m_looked]] < kJudgeAfter || rate(m_order[m_looked]) >= kWorthLooking))
        ++m_looked;
}
