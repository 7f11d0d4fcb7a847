// SPDX-License-Identifier: MIT
#include "core/search/utf16_find_filter.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/search/find_match.h"
#include "core/search/wide_text_find.h"
#include "core/text/cp1252.h"
#include "core/text/text_form.h"

namespace {

using Forms = CUtf16FindFilter::Forms;

// Calls take(i) for each i of the n units at p that is one of the forms,
// until it returns true; returns whether it did. Each form is looked for by
// its low byte with memchr, then taken where that byte begins a unit (an
// even byte from p) whose high byte is the form's.
template <typename Take>
bool ForEachForm(const unsigned char* p, std::size_t n, const Forms& forms, Take&& take)
{
    const unsigned char* const end = p + 2 * n;
    for (int k = 0; k < forms.count; ++k) {
        const auto low = static_cast<unsigned char>(forms.unit[k] & 0xFF);
        const auto high = static_cast<unsigned char>(forms.unit[k] >> 8);
        for (const unsigned char* at = p; at < end; ++at) {
            at = static_cast<const unsigned char*>(std::memchr(at, low, static_cast<std::size_t>(end - at)));
            if (at == nullptr)
                break;
            if ((at - p) % 2 == 0 && at[1] == high && take(static_cast<std::size_t>(at - p) / 2))
                return true;
        }
    }
    return false;
}

// Whether one of the forms is among the n units at p.
bool Holds(const unsigned char* p, std::size_t n, const Forms& forms)
{
    return ForEachForm(p, n, forms, [](std::size_t) { return true; });
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
    const auto isForm = [](char16_t u, const Forms& forms) {
        for (int k = 0; k < forms.count; ++k)
            if (u == forms.unit[k])
                return true;
        return false;
    };
    // The starts whose rarest place holds one of its forms, found by
    // ForEachForm, and whose second rarest place holds one too, are
    // compared in full.
    return ForEachForm(p + 2 * m_anchor, n - m + 1, m_anchorForms, [&](std::size_t s) {
        return isForm(unit(s + m_second), m_secondForms) && startsAt(s);
    });
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
