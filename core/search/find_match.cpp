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
#include "core/text/cp1252.h"
#include "core/text/text_form.h"

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

// Walks, front to back, the bytes of a range that pass an anchor. Where
// each byte that passes was found last is kept, so the range is read once
// for each of them however often the walk stops.
class PassingBytes final {
public:
    PassingBytes(const unsigned char* end, const FindAnchor& a) : m_end(end), m_anchor(a) {}

    // The first byte at or after `from` that passes, or the end.
    const unsigned char* Next(const unsigned char* from)
    {
        if (m_anchor.count == 0) {
            while (from < m_end && (*from | m_anchor.blend) != m_anchor.value)
                ++from;
            return from;
        }
        const unsigned char* first = m_end;
        for (int k = 0; k < m_anchor.count; ++k) {
            if (m_next[k] == nullptr || m_next[k] < from) {
                const void* at = std::memchr(from, m_anchor.bytes[k], static_cast<std::size_t>(m_end - from));
                m_next[k] = at != nullptr ? static_cast<const unsigned char*>(at) : m_end;
            }
            first = std::min(first, m_next[k]);
        }
        return first;
    }

private:
    const unsigned char* const m_end;
    const FindAnchor& m_anchor;
    const unsigned char* m_next[4] = {};
};

// Calls take(s) for every start s in [0, count) of the bytes at p where
// the anchor's byte passes, in order, until it returns true; returns
// whether it did.
template <typename Take>
bool ForEachCandidate(const unsigned char* p, std::size_t count, const FindAnchor& a, Take&& take)
{
    if (count == 0)
        return false;
    const unsigned char* const first = p + a.offset;
    PassingBytes passing(first + count, a);
    for (const unsigned char* at = passing.Next(first); at != first + count; at = passing.Next(at + 1))
        if (take(static_cast<std::size_t>(at - first)))
            return true;
    return false;
}

// A letter at least this common by TypicalFrequency turns up so often that
// memchr, stopping at each, is slower than a look for several bytes at once.
constexpr unsigned char kCommonLetter = 70;

bool IsCommon(const FindAnchor& a)
{
    return a.value < 0x80 && kTypicalFrequency[a.value] >= kCommonLetter;
}

// The starts the filter tests at once in a long range of bytes.
constexpr std::size_t kStretch = 1024;

// The filter's bytes where the starts from p look for them, as plain
// values the compiler keeps in registers: start s passes when
// (at[k][s] | blend[k]) == value[k] for each byte k tested.
struct FilterAt {
    FilterAt(const FindFilter& f, const unsigned char* p)
        : at0(p + f.offset[0]), at1(p + f.offset[1]), at2(p + f.offset[2]), at3(p + f.offset[3]),
          b0(f.blend[0]), b1(f.blend[1]), b2(f.blend[2]), b3(f.blend[3]),
          v0(f.value[0]), v1(f.value[1]), v2(f.value[2]), v3(f.value[3])
    {
    }
    bool FirstTwo(std::size_t s) const { return ((at0[s] | b0) == v0) & ((at1[s] | b1) == v1); }
    bool All(std::size_t s) const { return FirstTwo(s) & ((at2[s] | b2) == v2) & ((at3[s] | b3) == v3); }

    const unsigned char *at0, *at1, *at2, *at3;
    unsigned char b0, b1, b2, b3, v0, v1, v2, v3;
};

// Marks with 0xFF each of kStretch starts at p where the filter's first
// `Tests` bytes pass, and with 0 the others: one loop without a branch over
// a fixed count, which the compiler turns into a few vector instructions
// (it may, since `passed` is none of the text's bytes).
template <int Tests>
void TestStretch(const FindFilter& f, const unsigned char* p, unsigned char* __restrict passed)
{
    const FilterAt at(f, p);
    for (std::size_t s = 0; s < kStretch; ++s)
        passed[s] = static_cast<unsigned char>(-static_cast<int>(Tests == 4 ? at.All(s) : at.FirstTwo(s)));
}

// As ForEachFiltered, by all four of the filter's bytes, over a few starts
// (a short text, the end of a long one): 64 starts are tested as one loop
// without a branch, which the compiler vectorises, and only 64 where some
// start passes are looked at start by start. The last 64 end at the last
// start, over some tested before, so that no start is left to test alone.
template <typename Take>
bool ForEachOfFewFiltered(const unsigned char* p, std::size_t count, const FindFilter& f, Take&& take)
{
    constexpr std::size_t kFew = 64;
    const FilterAt at(f, p);
    if (count < kFew) {
        for (std::size_t s = 0; s < count; ++s)
            if (at.All(s) && take(s))
                return true;
        return false;
    }
    for (std::size_t few = 0; few < count; few += kFew) {
        const std::size_t first = std::min(few, count - kFew);
        const FilterAt here(f, p + first);
        unsigned char any = 0;
        for (std::size_t k = 0; k < kFew; ++k)
            any |= here.All(k);
        if (any != 0)
            for (std::size_t s = few; s < first + kFew; ++s)
                if (at.All(s) && take(s))
                    return true;
    }
    return false;
}

// Calls take(s) for the starts s that pass the filter in whole stretches
// from the first on, as far as `count` allows: each stretch is tested at
// once, and memchr finds the starts that passed. Returns where the
// stretches end, or npos once take returned true.
template <typename Take>
std::size_t ForEachFilteredStretch(const unsigned char* p, std::size_t count, const FindFilter& f, Take& take)
{
    unsigned char passed[kStretch];
    std::size_t stretch = 0;
    for (; stretch + kStretch <= count; stretch += kStretch) {
        if (f.tests == 2)
            TestStretch<2>(f, p + stretch, passed);
        else
            TestStretch<4>(f, p + stretch, passed);
        for (const void* at = std::memchr(passed, 0xFF, kStretch); at != nullptr;) {
            const auto s = static_cast<std::size_t>(static_cast<const unsigned char*>(at) - passed);
            if (take(stretch + s))
                return npos;
            at = std::memchr(passed + s + 1, 0xFF, kStretch - s - 1);
        }
    }
    return stretch;
}

// Calls take(s) for every start s in [0, count) of the bytes at p where
// the filter's bytes pass, in order, until it returns true; returns whether
// it did. Whole stretches go first; the rest, shorter than a stretch, goes
// by the anchor where it is rare (memchr stops seldom there), and 64 starts
// at a time where it is common. Without a filter, every start goes by the
// anchor.
template <typename Take>
bool ForEachFiltered(const unsigned char* p, std::size_t count, const FindFilter& f, const FindAnchor& anchor,
                     Take&& take)
{
    if (f.tests == 0)
        return ForEachCandidate(p, count, anchor, take);
    const std::size_t rest = ForEachFilteredStretch(p, count, f, take);
    if (rest == npos)
        return true;
    const auto takeRest = [&](std::size_t s) { return take(rest + s); };
    if (!IsCommon(anchor))
        return ForEachCandidate(p + rest, count - rest, anchor, takeRest);
    return ForEachOfFewFiltered(p + rest, count - rest, f, takeRest);
}

// The bits in which the bytes that fold to f differ from it.
unsigned char FoldBlend(unsigned char f)
{
    unsigned char blend = 0;
    for (int b = 0; b < 256; ++b)
        if (kFold[b] == f)
            blend |= static_cast<unsigned char>(b ^ f);
    return blend;
}

// The needle's rarest byte by `rarity`, the first of equals.
template <typename Rarity>
FindAnchor ChooseAnchor(const std::string& folded, Rarity&& rarity)
{
    std::size_t rarest = 0;
    for (std::size_t i = 1; i < folded.size(); ++i)
        if (rarity(i) < rarity(rarest))
            rarest = i;
    const auto f = static_cast<unsigned char>(folded[rarest]);
    const unsigned char blend = FoldBlend(f);
    return FindAnchor(rarest, blend, static_cast<unsigned char>(f | blend));
}

// A byte of a needle at least this common by TypicalFrequency (a digit,
// say) stops memchr so often that a look for two bytes at once is faster.
constexpr unsigned char kFrequentByte = 50;

// Two bytes of a needle of common letters only suffice when the second
// rarest of its filter is at most this common by TypicalFrequency (`g` or
// rarer): two such bytes at once turn up seldom.
constexpr unsigned char kRareEnoughPair = 150;

// How many of the filter's bytes a long stretch of a needle of `size` bytes
// is tested for: none where memchr is fastest, for a rare byte of one form
// or a needle of one byte; two where memchr would look for each case of the
// rarest letter in a pass of its own, or stop at it often, and where the
// filter's two rarest bytes are rare enough together; four for a needle of
// the commonest letters only, where even two turn up every few bytes.
int FilterTests(const FindAnchor& rarest, std::size_t size, int secondRarity)
{
    if (size < 2)
        return IsCommon(rarest) ? 4 : 0;
    if (!IsCommon(rarest))
        return rarest.count == 1 && kTypicalFrequency[rarest.value] < kFrequentByte ? 0 : 2;
    return secondRarity <= kRareEnoughPair ? 2 : 4;
}

// The filter of a needle of `size` bytes whose rarest byte is `anchor`: the
// rarest byte of each quarter (the first of equals, so that a common word at
// the needle's start does not pass them all; every byte of a needle of four
// or fewer, its first again for the rest), rarest first. Byte j passes when
// (b | blend(j)) == value(j), and rarity(j) orders them.
template <typename Blend, typename Value, typename Rarity>
FindFilter ChooseFilter(const FindAnchor& anchor, std::size_t size, Blend&& blend, Value&& value, Rarity&& rarity)
{
    std::size_t chosen[4] = {};
    for (std::size_t k = 0; k < 4; ++k) {
        if (size <= 4) {
            chosen[k] = k < size ? k : 0;
            continue;
        }
        const std::size_t begin = size * k / 4;
        const std::size_t end = size * (k + 1) / 4;
        chosen[k] = begin;
        for (std::size_t i = begin + 1; i < end; ++i)
            if (rarity(i) < rarity(chosen[k]))
                chosen[k] = i;
    }
    std::stable_sort(std::begin(chosen), std::end(chosen),
                     [&](std::size_t i, std::size_t j) { return rarity(i) < rarity(j); });
    FindFilter filter;
    filter.tests = FilterTests(anchor, size, static_cast<int>(rarity(chosen[1])));
    for (int k = 0; k < 4; ++k) {
        filter.offset[k] = chosen[k];
        filter.blend[k] = blend(chosen[k]);
        filter.value[k] = value(chosen[k]);
    }
    return filter;
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
// at fixed distances in every text that holds the needle: a byte of
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

// The byte of a run to sweep for, the rarest: an ASCII byte by its
// frequency, a byte that goes on a character beyond ASCII by the values it
// lets pass, and one that begins it last (every character of its script
// shares it).
int RunRarity(const ByteRun& run, std::size_t j)
{
    const auto v = static_cast<unsigned char>(run.value[j]);
    const int passing = std::popcount(static_cast<unsigned char>(run.blend[j]));
    return v < 0x80 ? kTypicalFrequency[v] : v < 0xC0 ? 120 + 20 * passing : 240;
}

FindAnchor RunAnchor(const ByteRun& run)
{
    const auto rarity = [&](std::size_t j) { return RunRarity(run, j); };
    std::size_t rarest = 0;
    for (std::size_t j = 1; j < run.value.size(); ++j)
        if (rarity(j) < rarity(rarest))
            rarest = j;
    return FindAnchor(rarest, static_cast<unsigned char>(run.blend[rarest]),
                      static_cast<unsigned char>(run.value[rarest]));
}

}  // namespace

FindAnchor::FindAnchor(std::size_t at, unsigned char blendBits, unsigned char passing)
    : offset(at), blend(blendBits), value(passing)
{
    if (std::popcount(blend) > 2)
        return;
    for (int b = 0; b < 256; ++b)
        if ((b | blend) == value)
            bytes[count++] = static_cast<unsigned char>(b);
}

unsigned char FoldCp1252(unsigned char byte)
{
    return kFold[byte];
}

CFoldedNeedle::CFoldedNeedle(std::string_view text) : CFoldedNeedle(text, text, Bytes::Utf8) {}

std::optional<CFoldedNeedle> CFoldedNeedle::OverCp1252Bytes(std::string_view text)
{
    // Each character as the Windows-1252 byte of its fold, which every
    // form of it Windows-1252 has folds to; one that has none is in no
    // such text.
    std::string bytes;
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const int b = UnicodeToCp1252(FoldForFind(chars.Next()));
        if (b < 0)
            return std::nullopt;
        bytes += static_cast<char>(b);
    }
    return CFoldedNeedle(bytes, std::string_view(), Bytes::Cp1252);
}

std::optional<CFoldedNeedle> CFoldedNeedle::OverUtf16Units(std::string_view text)
{
    // The longest run of characters that have ASCII forms only, each as
    // the low byte of its unit and a zero.
    std::string run;
    std::string longest;
    for (TextCharacters chars(text); !chars.AtEnd();) {
        const char32_t folded = FoldForFind(chars.Next());
        const std::vector<char32_t> forms = CharactersFoldingTo(folded);
        if (folded >= 0x80 || !std::all_of(forms.begin(), forms.end(), [](char32_t c) { return c < 0x80; })) {
            run.clear();
            continue;
        }
        run += static_cast<char>(folded);
        run += '\0';
        if (run.size() > longest.size())
            longest = run;
    }
    if (longest.empty())
        return std::nullopt;
    return CFoldedNeedle(longest, std::string_view(), Bytes::Utf16Units);
}

CFoldedNeedle::CFoldedNeedle(std::string_view needle, std::string_view text, Bytes bytes) : m_wide(text)
{
    const bool cp1252 = bytes != Bytes::Utf8;
    m_folded.reserve(needle.size());
    for (char c : needle)
        m_folded.push_back(static_cast<char>(kFold[static_cast<unsigned char>(c)]));
    const auto folded = [&](std::size_t j) { return static_cast<unsigned char>(m_folded[j]); };
    // The zero of each unit is everywhere in such texts: never looked for.
    const auto rarity = [&](std::size_t j) {
        return bytes == Bytes::Utf16Units && j % 2 == 1 ? 255 : kTypicalFrequency[folded(j)];
    };
    if (!m_folded.empty()) {
        m_anchor = ChooseAnchor(m_folded, rarity);
        m_filter = ChooseFilter(
            m_anchor, m_folded.size(), [&](std::size_t j) { return FoldBlend(folded(j)); },
            [&](std::size_t j) { return static_cast<unsigned char>(folded(j) | FoldBlend(folded(j))); }, rarity);
    }
    // A text holds an occurrence where its bytes are the needle's folded
    // bytes when the needle is ASCII and no character beyond ASCII folds to
    // one of its letters: UTF-8 keeps ASCII bytes as they are.
    std::uint64_t asked[2] = {0, 0};
    m_byCharacters = !cp1252 && !m_wide.IsAsciiNeedle();
    for (std::size_t i = 0; i < m_folded.size() && !m_byCharacters && !cp1252; ++i) {
        const auto b = static_cast<unsigned char>(m_folded[i]);
        m_byCharacters = b >= 0x80;
        if (m_byCharacters || (asked[b / 64] >> (b % 64) & 1))
            continue;
        asked[b / 64] |= std::uint64_t{1} << (b % 64);
        for (const char32_t form : CharactersFoldingTo(b))
            m_byCharacters = m_byCharacters || form >= 0x80;
    }
    if (SweptByRun()) {
        const ByteRun run = LongestRunOfOneLength(text);
        m_runBlend = run.blend;
        m_runValue = run.value;
        if (!m_runValue.empty()) {
            m_runAnchor = RunAnchor(run);
            m_runFilter = ChooseFilter(
                m_runAnchor, run.value.size(), [&](std::size_t j) { return static_cast<unsigned char>(run.blend[j]); },
                [&](std::size_t j) { return static_cast<unsigned char>(run.value[j]); },
                [&](std::size_t j) { return RunRarity(run, j); });
        }
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
    const auto* base = reinterpret_cast<const unsigned char*>(text.data()) + from;
    std::size_t found = npos;
    const auto take = [&](std::size_t s) {
        if (!MatchesAt(base + s))
            return false;
        found = from + s;
        return true;
    };
    ForEachFiltered(base, text.size() - n + 1 - from, m_filter, m_anchor, take);
    return found;
}

bool CFoldedNeedle::IsIn(std::string_view text) const
{
    return FindFirst(text) != npos;
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
        may = MayBeInBytes(block.data(), block.data() + block.size());
        if (!may && clean != nullptr)
            clean[k].Add(block.data(), block.data() + block.size());
    }
    if (clean != nullptr) {
        clean[0].Sort();
        clean[1].Sort();
    }
    return may;
}

bool CFoldedNeedle::MayBeInBytes(const char* begin, const char* end) const
{
    const auto* const p = reinterpret_cast<const unsigned char*>(begin);
    const auto length = static_cast<std::size_t>(end - begin);
    // An ASCII needle is where its folded bytes are, or may be where
    // another form of one of its letters is (the long s, the Kelvin sign);
    // any other is where the bytes of its run pass. So every occurrence
    // takes at least the bytes swept for.
    const bool wide = SweptByRun();
    const bool otherForms = m_byCharacters && !wide;
    const std::size_t size = wide ? m_runValue.size() : m_folded.size();
    if (length < size)
        return false;
    const auto matches = [&](const unsigned char* s) {
        if (!wide)
            return MatchesAt(s);
        for (std::size_t j = 0; j < size; ++j)
            if ((s[j] | static_cast<unsigned char>(m_runBlend[j])) != static_cast<unsigned char>(m_runValue[j]))
                return false;
        return true;
    };
    // Bytes where candidates that are no occurrence crowd (a needle that
    // begins like a common phrase) cost more swept than walked: past a
    // candidate in 256 bytes, about one a text, the sweep gives up, as if
    // it had met one.
    std::size_t misses = 0;
    const std::size_t budget = length / 256 + 8;
    // Bytes that pass in a text's length (a byte that is a letter of the
    // needle is many a text's length) are no occurrence: the block's records
    // are walked along with the candidates, length to length.
    const char* record = begin;
    const auto inText = [&](std::size_t s) {
        for (const char* at = begin + s;;) {
            const std::string_view text = CStringArray::TextOfRecord(record);
            if (at < text.data())
                return false;
            if (at < text.data() + text.size())
                return at + size <= text.data() + text.size();
            record = text.data() + text.size();
        }
    };
    const auto take = [&](std::size_t s) { return (matches(p + s) && inText(s)) || ++misses > budget; };
    const FindFilter& filter = wide ? m_runFilter : m_filter;
    const FindAnchor& anchor = wide ? m_runAnchor : m_anchor;
    // The block goes a piece at a time, so that the look for another form
    // reads bytes the sweep has just brought into the cache. Each piece's
    // look reaches 3 bytes into the next, the most a character may.
    constexpr std::size_t kPiece = 16384;
    const std::size_t count = length - size + 1;
    for (std::size_t piece = 0; piece < count; piece += kPiece) {
        const std::size_t starts = std::min(kPiece, count - piece);
        const auto takeHere = [&](std::size_t s) { return take(piece + s); };
        if (ForEachFiltered(p + piece, starts, filter, anchor, takeHere))
            return true;
        const std::size_t looked = std::min(length - piece, starts + 3);
        if (otherForms && m_wide.Takes(std::string_view(begin + piece, looked)))
            return true;
    }
    return false;
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
    std::size_t last = npos;
    for (std::size_t at = FindFirst(text); at != npos; at = FindFirst(text, at + 1))
        last = at;
    return last;
}
