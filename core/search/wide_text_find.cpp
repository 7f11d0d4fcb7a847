// SPDX-License-Identifier: MIT
#include "core/search/wide_text_find.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <iterator>

#include <unicode/uchar.h>
#include <unicode/uset.h>

#include "core/search/find_match.h"
#include "core/text/cp1252.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c < 0xE000; }

char32_t FoldOther(char32_t c);

// A character as a text holds it (a lone surrogate by its value).
std::string Utf8Form(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace

// Every character whose fold is `folded`: the Windows-1252 ones by their
// rule, the others among those ICU counts as the same letter in any case
// (a wider set, narrowed here by the fold itself).
std::vector<char32_t> CharactersFoldingTo(char32_t folded)
{
    std::vector<char32_t> found;
    for (int b = 0; b < 256; ++b)
        if (FoldForFind(Cp1252ToUnicode(static_cast<unsigned char>(b))) == folded)
            found.push_back(Cp1252ToUnicode(static_cast<unsigned char>(b)));
    if (IsSurrogate(folded)) {
        found.push_back(folded);
        return found;
    }
    USet* same = uset_openEmpty();
    uset_add(same, static_cast<UChar32>(folded));
    uset_closeOver(same, USET_CASE_INSENSITIVE);
    for (std::int32_t i = 0, n = uset_getItemCount(same); i < n; ++i) {
        UErrorCode status = U_ZERO_ERROR;
        UChar32 first = 0;
        UChar32 last = 0;
        // A string of several characters (full folding) is no single match.
        if (uset_getItem(same, i, &first, &last, nullptr, 0, &status) != 0)
            continue;
        for (UChar32 c = first; c <= last; ++c)
            if (UnicodeToCp1252(static_cast<char32_t>(c)) < 0 && FoldForFind(static_cast<char32_t>(c)) == folded)
                found.push_back(static_cast<char32_t>(c));
    }
    uset_close(same);
    return found;
}

namespace {

// Where a byte of `text` at or after `from` begins a candidate run (see
// FormBytes), or npos.
std::size_t FirstRunAt(std::string_view text, std::size_t from, const CWideNeedle::FormBytes& f)
{
    const std::size_t reach = std::max(f.offset[0], f.offset[1]);
    if (text.size() <= reach || from >= text.size() - reach)
        return npos;
    const auto* const base = reinterpret_cast<const unsigned char*>(text.data());
    for (const unsigned char *p = base + from, *const end = base + text.size() - reach; p < end; ++p)
        if (((p[f.offset[0]] | f.blend[0]) == f.value[0]) & ((p[f.offset[1]] | f.blend[1]) == f.value[1]))
            return static_cast<std::size_t>(p - base);
    return npos;
}

// One byte of a character's forms (all of one length) at its distance from
// the start of their run, with what a scan for it lets pass: the fewer
// other bytes and the rarer the letter, the lower its cost.
struct FormByte {
    std::size_t offset = 0;
    std::size_t character = 0;
    unsigned char blend = 0;
    unsigned char value = 0;
    int cost = 0;
};

FormByte ByteOfForms(const std::vector<std::string>& forms, std::size_t at)
{
    FormByte f;
    const auto first = static_cast<unsigned char>(forms[0][at]);
    for (const std::string& form : forms)
        f.blend |= static_cast<unsigned char>(first ^ static_cast<unsigned char>(form[at]));
    f.value = static_cast<unsigned char>(first | f.blend);
    // A first byte of several says little more than the script; the last
    // byte tells the letter. Of ASCII, the rarer a letter in ordinary text,
    // the better.
    constexpr std::string_view kCommonFirst = "qzxjkvbywpgfmucdlhrsinoate ";
    const int blended = 8 * std::popcount(f.blend);
    if (forms[0].size() > 1)
        return f.cost = (at == 0 ? 160 : 30) + blended, f;
    const std::size_t rank = kCommonFirst.find(static_cast<char>((f.value & ~f.blend) | 0x20));
    f.cost = 40 + blended + 4 * static_cast<int>(rank == npos ? 0 : rank);
    return f;
}

// Runs of a needle's characters whose `forms` have one length each; the two
// bytes of one run that cost least together (of two letters where it can),
// with the index of the run's first character in `anchor` (npos when no
// character's forms have one length).
void ChooseRun(const std::u32string& folded, const std::vector<std::vector<std::string>>& forms, std::size_t& anchor,
               CWideNeedle::FormBytes& bytes)
{
    std::vector<FormByte> run;
    std::size_t runStart = 0;
    std::size_t runLength = 0;
    int bestCost = 0;
    const auto take = [&](const FormByte& a, const FormByte& b, int cost) {
        if (anchor == npos || cost < bestCost) {
            anchor = runStart;
            bytes = CWideNeedle::FormBytes{{a.offset, b.offset}, {a.blend, b.blend}, {a.value, b.value}};
            bestCost = cost;
        }
    };
    for (std::size_t j = 0; j < folded.size(); ++j) {
        const std::vector<std::string>& f = forms[j];
        if (f.empty() ||
            std::any_of(f.begin(), f.end(), [&](const std::string& form) { return form.size() != f[0].size(); })) {
            run.clear();
            continue;
        }
        if (run.empty()) {
            runStart = j;
            runLength = 0;
        }
        for (const std::size_t at : {std::size_t{0}, f[0].size() - 1}) {
            FormByte b = ByteOfForms(f, at);
            b.offset = runLength + at;
            b.character = j;
            // Neighbours go together more often than letters apart.
            for (const FormByte& a : run)
                take(a, b,
                     a.cost + b.cost + (folded[a.character] == folded[j] ? 60 : 0) -
                         8 * static_cast<int>(std::min<std::size_t>(j - a.character, 6)));
            run.push_back(b);
            if (f[0].size() == 1)
                break;
        }
        runLength += f[0].size();
        // A lone byte is its own pair, the last resort.
        if (run.size() == 1)
            take(run[0], run[0], 2 * run[0].cost + 100);
    }
}

}  // namespace

char32_t FoldForFind(char32_t c)
{
    // ASCII and Latin-1, where a Windows-1252 byte is its code point,
    // without a look-up; the other characters met last are remembered.
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return FoldCp1252(static_cast<unsigned char>(c));
    struct Folded {
        char32_t from = 0xFFFFFFFF;
        char32_t to = 0;
    };
    thread_local std::array<Folded, 256> recent;
    Folded& slot = recent[(c ^ (c >> 8)) & 0xFF];
    if (slot.from != c)
        slot = {c, FoldOther(c)};
    return slot.to;
}

namespace {

char32_t FoldOther(char32_t c)
{
    const int b = UnicodeToCp1252(c);
    if (b >= 0)
        return Cp1252ToUnicode(FoldCp1252(static_cast<unsigned char>(b)));
    if (IsSurrogate(c))
        return c;
    return static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

}  // namespace

CWideNeedle::CWideNeedle(std::string_view needle) : m_asciiBytes(IsAscii(needle))
{
    for (TextCharacters chars(needle); !chars.AtEnd();)
        m_folded += FoldForFind(chars.Next());
    if (m_folded.empty())
        return;
    // The forms of each character, and those of them as long as the
    // character's own (its main forms): the others (the Kelvin sign for k,
    // the long s for s, capital sharp s) are hardly ever written.
    std::vector<std::vector<std::string>> forms(m_folded.size());
    std::vector<std::vector<std::string>> mainForms(m_folded.size());
    for (std::size_t j = 0; j < m_folded.size(); ++j) {
        const std::size_t own = Utf8Form(m_folded[j]).size();
        const bool again = std::find(m_folded.begin(), m_folded.begin() + j, m_folded[j]) != m_folded.begin() + j;
        for (const char32_t c : CharactersFoldingTo(m_folded[j])) {
            forms[j].push_back(Utf8Form(c));
            if (forms[j].back().size() == own)
                mainForms[j].push_back(forms[j].back());
            else if (!again)
                m_otherForms.push_back(forms[j].back());
        }
    }
    m_firstForms = forms[0];
    ChooseRun(m_folded, mainForms, m_mainAnchor, m_mainBytes);
    if (!m_otherForms.empty())
        ChooseRun(m_folded, forms, m_anchor, m_anchorBytes);
}

bool CWideNeedle::HoldsOtherForm(std::string_view text) const
{
    return std::any_of(m_otherForms.begin(), m_otherForms.end(),
                       [&](const std::string& form) { return text.find(form) != npos; });
}

bool CWideNeedle::Takes(std::string_view text) const
{
    return !m_asciiBytes || HoldsOtherForm(text);
}

bool CWideNeedle::MatchesAt(std::string_view text, std::size_t at) const
{
    TextCharacters chars(text, at);
    for (const char32_t want : m_folded)
        if (chars.AtEnd() || FoldForFind(chars.Next()) != want)
            return false;
    return true;
}

std::size_t CWideNeedle::FindFirst(std::string_view text, std::size_t from) const
{
    if (m_folded.empty() || from > text.size())
        return npos;
    // A text without the other forms is scanned for the main ones alone.
    if (m_mainAnchor != npos && (m_otherForms.empty() || !HoldsOtherForm(text)))
        return FindByAnchor(text, from, m_mainAnchor, m_mainBytes);
    if (m_anchor != npos)
        return FindByAnchor(text, from, m_anchor, m_anchorBytes);
    // Candidates are where a form of the first character begins: a
    // character's first byte, since forms are whole characters.
    std::size_t few[8];
    std::vector<std::size_t> many;
    if (m_firstForms.size() > 8)
        many.resize(m_firstForms.size());
    std::size_t* const next = many.empty() ? few : many.data();
    std::fill(next, next + m_firstForms.size(), 0);
    for (std::size_t start = from;;) {
        std::size_t at = npos;
        for (std::size_t k = 0; k < m_firstForms.size(); ++k) {
            if (next[k] != npos && next[k] < start)
                next[k] = text.find(m_firstForms[k], start);
            at = std::min(at, next[k]);
        }
        if (at == npos || MatchesAt(text, at))
            return at;
        start = at + 1;
    }
}

// The run's forms are scanned for; from each candidate, the occurrence
// would begin as many characters back as the run begins in the needle.
std::size_t CWideNeedle::FindByAnchor(std::string_view text, std::size_t from, std::size_t anchor,
                                      const FormBytes& bytes) const
{
    constexpr std::size_t body = 0;
    const auto continues = [&](std::size_t at) { return (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80; };
    for (std::size_t at = FirstRunAt(text, from, bytes); at != npos; at = FirstRunAt(text, at + 1, bytes)) {
        if (continues(at))
            continue;
        std::size_t start = at;
        std::size_t back = anchor;
        for (; back > 0 && start > body; --back)
            while (--start > body && continues(start)) {
            }
        if (back == 0 && start >= from && MatchesAt(text, start))
            return start;
    }
    return npos;
}

std::size_t CWideNeedle::FindLastBefore(std::string_view text, std::size_t before) const
{
    std::size_t last = npos;
    for (std::size_t at = FindFirst(text, 0); at != npos && at < before; at = FindFirst(text, at + 1))
        last = at;
    return last;
}
