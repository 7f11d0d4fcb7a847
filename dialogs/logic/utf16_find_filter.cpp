// SPDX-License-Identifier: MIT
#include "dialogs/logic/utf16_find_filter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define OVRIN_UNIT_FILTER_AVX2 1
#endif

#include "dialogs/logic/find_match.h"
#include "dialogs/logic/wide_text_find.h"
#include "doc/cp1252.h"
#include "doc/text_form.h"

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
// Sixteen units a step; the last step reads the last sixteen units again
// where they overlap the one before, which only looks at some twice.
__attribute__((target("avx2"))) bool HoldsAvx2(const unsigned char* p, std::size_t n, const Forms* forms, int used)
{
    __m256i want[2][CUtf16FindFilter::kMaxForms];
    for (int c = 0; c < used; ++c)
        for (int k = 0; k < CUtf16FindFilter::kMaxForms; ++k)
            want[c][k] = _mm256_set1_epi16(static_cast<short>(forms[c].unit[std::min(k, forms[c].count - 1)]));
    __m256i seen[2] = {_mm256_setzero_si256(), _mm256_setzero_si256()};
    const auto look = [&](const unsigned char* at) __attribute__((target("avx2"))) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        for (int c = 0; c < used; ++c) {
            __m256i any = _mm256_cmpeq_epi16(v, want[c][0]);
            for (int k = 1; k < forms[c].count; ++k)
                any = _mm256_or_si256(any, _mm256_cmpeq_epi16(v, want[c][k]));
            seen[c] = _mm256_or_si256(seen[c], any);
        }
    };
    const unsigned char* const last = p + 2 * (n - 16);
    for (; p < last; p += 32)
        look(p);
    look(last);
    for (int c = 0; c < used; ++c)
        if (_mm256_testz_si256(seen[c], seen[c]))
            return false;
    return true;
}
const bool g_avx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2"));
#endif

// How rare a character of the needle is, folded: lower is rarer.
int Frequency(char32_t folded)
{
    const int byte = UnicodeToCp1252(folded);
    return byte < 0 ? 30 : TypicalFrequency(static_cast<unsigned char>(byte));
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
    std::stable_sort(folded.begin(), folded.end(),
                     [](char32_t a, char32_t b) { return Frequency(a) < Frequency(b); });
    for (const char32_t f : folded) {
        if (m_used == 2)
            break;
        const std::vector<char32_t> all = CharactersFoldingTo(f);
        const bool units = !all.empty() && all.size() <= kMaxForms &&
                           std::all_of(all.begin(), all.end(), [](char32_t c) { return c < 0xD800 || (c >= 0xE000 && c < 0x10000); });
        if (!units)
            continue;
        Forms& forms = m_forms[m_used++];
        for (const char32_t c : all)
            forms.unit[forms.count++] = static_cast<char16_t>(c);
    }
}

bool CUtf16FindFilter::MayHold(std::string_view units) const
{
    const auto* p = reinterpret_cast<const unsigned char*>(units.data());
    const std::size_t n = units.size() / 2;
#ifdef OVRIN_UNIT_FILTER_AVX2
    if (g_avx2 && n >= 16)
        return HoldsAvx2(p, n, m_forms, m_used);
#endif
    for (int c = 0; c < m_used; ++c)
        if (!HoldsScalar(p, n, m_forms[c]))
            return false;
    return true;
}
