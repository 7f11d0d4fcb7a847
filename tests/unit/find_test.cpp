// SPDX-License-Identifier: MIT
// The Find dialog's searches in document order, and the folded matching.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/search/find_dlg_state.h"
#include "core/search/find_match.h"
#include "core/document/string_array.h"
#include "core/text/text_form.h"
#include "../common/test_documents.h"
#include "fake_host.h"

namespace {

// One step of a walk: set the position, or press Next or Back and expect a
// hit at (entry, position) or the "no more hit" hint with that state left.
enum class Op { Goto, Next, Back, NextEnds, BackEnds };
constexpr int kAny = -2;
struct Step {
    Op op;
    int entry;
    int pos;
};

struct Walk {
    const char* name;
    std::vector<Entry> entries;
    std::string search;
    bool inDescriptions;
    std::vector<Step> steps;
};

// `s` at `pos` in a line of dots.
std::string At(int pos, const std::string& s, std::string text = std::string(60, '.'))
{
    return text.replace(static_cast<size_t>(pos), s.size(), s);
}

class FindTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
    CFindDlgState& find = *doc.m_pFindDlg;

    void SetUp() override { find.m_pDoc = &doc; }

    void Fill(const std::vector<Entry>& entries) { SetEntries(doc, entries); }
    void Search(const std::string& text, bool inDescriptions)
    {
        find.m_strSearch = text;
        find.m_bInDescriptions = inDescriptions;
    }
    // A hit makes its entry current, marks it as new and redraws once.
    void ExpectHit(int entry, int pos, int updatesBefore)
    {
        EXPECT_EQ(doc.m_nFindEntry, entry);
        EXPECT_EQ(doc.m_nCurrent, entry);
        EXPECT_EQ(doc.m_nFindPos, pos);
        EXPECT_TRUE(doc.m_bNewHit);
        EXPECT_EQ(host.updates, updatesBefore + 1);
    }
    void Run(const Walk& walk)
    {
        Fill(walk.entries);
        Search(walk.search, walk.inDescriptions);
        for (size_t i = 0; i < walk.steps.size(); ++i) {
            const Step& s = walk.steps[i];
            SCOPED_TRACE(testing::Message() << walk.name << ", step " << i);
            if (s.op == Op::Goto) {
                doc.m_nCurrent = s.entry;
                doc.m_nFindPos = s.pos;
                continue;
            }
            const size_t hints = host.hints.size();
            const int updates = host.updates;
            doc.m_bNewHit = false;
            if (s.op == Op::Next || s.op == Op::NextEnds)
                find.OnFindNext();
            else
                find.OnFindBack();
            if (s.op == Op::Next || s.op == Op::Back) {
                ExpectHit(s.entry, s.pos, updates);
                EXPECT_EQ(host.hints.size(), hints);
                continue;
            }
            ASSERT_EQ(host.hints.size(), hints + 1);
            EXPECT_EQ(host.hints.back(), g_strNoMoreHit);
            if (s.entry != kAny) {
                EXPECT_EQ(doc.m_nCurrent, s.entry);
            }
            if (s.pos != kAny) {
                EXPECT_EQ(doc.m_nFindPos, s.pos);
            }
        }
    }
};

// Document order is key words, then description; each walk guards one rule
// of where a search starts, goes on and stops.
TEST_F(FindTest, WalksInDocumentOrder)
{
    using enum Op;
    const std::vector<Walk> walks = {
        {"two hits in a description, key words first, then back out",
         {{"a", "nothing"}, {"b", "nothing"}, {"c needle", At(5, "NEEDLE", At(40, "needle"))}, {"d", "x"}},
         "needle", true,
         {{Next, 2, -1}, {Next, 2, 5}, {Next, 2, 40}, {Back, 2, 5}, {Back, 2, -1}, {BackEnds, 2, kAny}}},
        {"back leaves the entry for the last hit of the previous description",
         {{"a", "x"}, {"b", At(3, "pin", At(20, "pin"))}, {"c", At(5, "pin", At(40, "pin"))}},
         "pin", true,
         {{Goto, 2, -1}, {Next, 2, 5}, {Next, 2, 40}, {Back, 2, 5}, {Back, 1, 20}, {Back, 1, 3},
          {BackEnds, 1, -1}}},
        {"an unticked box reads no description",
         {{"apple tree", "tree"}, {"b", "tree tree"}, {"c", "tree"}, {"tree house", "tree"}},
         "tree", false,
         {{Next, 3, -1}, {Back, 0, -1}, {BackEnds, 0, kAny}}},
        {"case folded, inside words, blanks as characters",
         {{"start", ""}, {"Project Plan", ""}, {"one blank", ""}, {"two  blanks", ""}},
         "JECT pl", false, {{Next, 1, -1}}},
        {"back from position 0 goes to the entry before",
         {{"key", "key at the end: key"}, {"b", "key first"}}, "KEY", true,
         {{Goto, 1, 0}, {Back, 0, 16}}},
        {"after a failed search Next finds the start entry's hit again",
         {{"a", "x"}, {"b", "..hay.."}, {"c", "x"}}, "hay", true,
         {{Goto, 1, -1}, {Next, 1, 2}, {NextEnds, 1, -1}, {Next, 1, 2}}},
        {"next skips its start entry's key words and follows the user's walk",
         {{"cat", ""}, {"cat", ""}, {"dog", ""}, {"cat", ""}}, "cat", false,
         {{Goto, 3, -1}, {NextEnds, 3, kAny}, {Goto, 0, -1}, {Next, 1, -1}}},
        {"a stale current entry beyond the table", {{"a", "word"}, {"b", "word"}}, "word", true,
         {{Goto, 5, 2}, {Back, 1, 0}}},
        {"an empty table", {}, "word", true, {{Goto, 0, -1}, {NextEnds, kAny, kAny}, {BackEnds, kAny, kAny}}},
        {"a stale position beyond the description", {{"a", "short"}, {"b", "x short"}}, "short", true,
         {{Goto, 0, 1000}, {Next, 1, 2}, {Goto, 1, 1000}, {Back, 1, 2}}},
        {"byte positions in a wide text, whose characters are longer than the needle's",
         {{"a", TextFromUtf16(u"\u00E9\u00E9\u00E9 \u0142")}}, "\xE9\xE9", true,
         {{Goto, 0, -1}, {Next, 0, 4}, {Next, 0, 6}, {NextEnds, 0, 6}, {Back, 0, 4}, {BackEnds, 0, kAny}}},
        {"a needle nowhere leaves the position as a walk through the entries would", {{"a", "x"}, {"b", "y"}},
         "zz", true, {{Goto, 0, 5}, {NextEnds, 0, -1}, {Goto, 1, 5}, {NextEnds, 1, 5}, {BackEnds, 1, -1}}},
    };
    for (const Walk& walk : walks) {
        doc.m_nFindEntry = -1;
        doc.m_nFindPos = -1;
        Run(walk);
    }
}

// In a table of several blocks, Next and Back pass over the entries whose
// texts lie in blocks the sweep found clean, up to the block where it met
// the needle.
TEST_F(FindTest, PassesOverCleanBlocks)
{
    std::vector<Entry> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back({"k" + std::to_string(i), std::string(96, '.') + std::to_string(1000 + i)});
    entries[150].description.replace(10, 6, "needle");
    entries[20].description.replace(30, 6, "Needle");
    Fill(entries);
    Search("NEEDLE", true);
    const struct {
        int from;
        bool next;
        int entry, pos;
    } steps[] = {{40, true, 150, 10}, {290, false, 150, 10}, {150, false, 20, 30}, {20, true, 150, 10}};
    for (const auto& s : steps) {
        doc.m_nCurrent = s.from;
        doc.m_nFindPos = s.from == 150 ? 10 : s.from == 20 ? 30 : -1;
        const int updates = host.updates;
        s.next ? find.OnFindNext() : find.OnFindBack();
        ExpectHit(s.entry, s.pos, updates);
    }
}

// First starts at entry 0 and, by choice, looks at its key words too; an
// empty string does nothing, not even clear First's flag.
TEST_F(FindTest, FirstAndTheEmptyString)
{
    Fill({{"target", ""}, {"b", "target"}, {"c", ""}});
    Search("target", false);
    doc.m_nCurrent = 2;
    find.OnFindFirst();
    ExpectHit(0, -1, 0);

    Search("", true);
    doc.m_nCurrent = 2;
    doc.m_bNewHit = false;
    find.OnFindFirst();
    find.OnFindNext();
    find.OnFindBack();
    EXPECT_EQ(host.updates, 1);
    EXPECT_EQ(doc.m_nCurrent, 2);
    EXPECT_TRUE(find.m_bFromFirst);

    Search("TARGET", true);
    find.OnFindNext();  // from entry 0, as First asked
    ExpectHit(0, -1, 1);
    EXPECT_FALSE(find.m_bFromFirst);
    find.OnFindNext();
    ExpectHit(1, 0, 2);
}

// Texts and needles of any form: Windows-1252 characters fold by their own
// rule, others by Unicode's simple folding; positions are the stored bytes'.
TEST(FoldedNeedle, FindsAnyTextCaseIgnored)
{
    const auto wide = [](std::u16string_view s) { return TextFromUtf16(s); };
    const struct {
        std::string needle, text;
        std::size_t at;
    } cases[] = {
        {wide(u"\u0142"), wide(u"x\u0141\u00D3D\u0179"), 5},  // ł finds Ł
        {wide(u"\u03C3"), wide(u"x\u03A3"), 5},                 // σ finds Σ
        {wide(u"\u03A3"), wide(u"\u03C2"), 4},                  // Σ finds ς
        {"\xE9", wide(u"\u0141\u00C9"), 6},                     // é finds É in a wide text
        {wide(u"\u017F"), "aS", 1},                              // long s folds to s
        {"k", wide(u"x\u212A"), 5},                              // the Kelvin sign folds to k
        {wide(u"\u0142"), "l", CFoldedNeedle::npos},
        {"\xB5", wide(u"\u03BC"), CFoldedNeedle::npos},           // the micro sign stays itself
        {wide(u"\U0001F600b"), wide(u"a\U0001F600B"), 5},
        {"AB", TextFromCp1252("\xFF\xFE\xFF" "ab"), 7},         // an escaped text
        {"SK", wide(u"\u0142s\u017F\u212A"), 7},                // an ASCII needle in other forms
        {"\x01", wide(u"\u0142\u0001"), 6},                      // not in the mark
        {wide(u"\u03AF\u03C3"), wide(u"\u0142......................\u038A\u03A3"), 28},  // at the very end
        // The edges of the Windows-1252 capitals: À and Þ fold, ß (just
        // past Þ) and × (among them) do not.
        {"\xE0\xFE", "x\xC0\xDE", 1},
        {"\xDF", "\xFF\xDF", 1},
        {"\xFF", "\xDF\x9F", 1},
        {"\xF7", "\xD7", CFoldedNeedle::npos},
    };
    for (const auto& c : cases) {
        const CFoldedNeedle needle(c.needle);
        EXPECT_EQ(needle.FindFirst(c.text), c.at) << c.needle << " in " << c.text;
    }
}

// The search against folding everything, on random texts of many lengths,
// with short needles and long ones cut from the text in another case.
TEST(FoldedNeedle, SameAsFoldingEverything)
{
    const auto fold = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(FoldCp1252(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string alphabet = "aAbB \xE9\xC9\x8A\x9A\xFF\x9F.";
    std::mt19937 rng(18);
    for (int n = 0; n < 20000; ++n) {
        std::string text(n % 50 == 0 ? 1000 + rng() % 100 : rng() % 460, ' ');
        if (n % 4 == 1) {
            for (int k = 0; k < 2 && !text.empty(); ++k)
                text[rng() % text.size()] = alphabet[rng() % alphabet.size()];
        } else {
            for (char& c : text)
                c = n % 4 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        }
        std::string needle(1 + rng() % 4, ' ');
        for (char& c : needle)
            c = alphabet[rng() % alphabet.size()];
        if (n % 4 == 1)
            needle.resize(1);
        if (n % 4 == 3 && !text.empty()) {
            const std::size_t at = rng() % text.size();
            needle = text.substr(at, 1 + rng() % 80);
            for (char& c : needle)
                c = rng() % 2 ? static_cast<char>(FoldCp1252(static_cast<unsigned char>(c))) : c;
        }
        const CFoldedNeedle folded(needle);
        const std::string t = fold(text);
        const std::string k = fold(needle);
        const std::size_t from = rng() % (text.size() + 2);
        const std::size_t first = from > t.size() ? std::string::npos : t.find(k, from);
        ASSERT_EQ(folded.FindFirst(text, from), first) << n;
        ASSERT_EQ(folded.FindLast(text), t.rfind(k)) << n;
    }
}

// The sweep over a table's blocks: a text that holds the needle is found
// wherever it lies, and a table without it is passed over. A needle beyond
// ASCII (or with a letter that has forms beyond it) is looked for in marked
// texts by characters, so they stop the sweep; a plain ASCII one is not.
TEST(FoldedNeedle, SweepsTheTablesBlocks)
{
    const auto dots = [](std::size_t n, const std::string& tail = "") { return std::string(n, '.') + tail; };
    const auto wide = [](std::u16string_view s) { return TextFromUtf16(s); };
    // Records of 104 bytes, none shared: the first two blocks of 4 KiB end
    // after texts 38 and 77.
    const auto many = [&](std::size_t at, const std::string& text) {
        std::vector<std::string> t;
        for (int k = 0; k < 100; ++k)
            t.push_back(dots(96, std::to_string(1000 + k)));
        t[at] = text;
        return t;
    };
    const struct {
        std::vector<std::string> texts;
        std::string setAnew, needle;
        bool may;
    } cases[] = {
        {many(0, dots(100)), "", "eeee", false},
        {many(38, dots(96, "EEEE")), "", "eeee", true},
        {many(77, dots(97, "eeQ")), "", "eeq", true},
        {many(99, dots(96, "eEeE")), "", "eeee", true},
        {many(3, dots(100)), "new eeee", "eeee", true},
        {{dots(300000, "xYz")}, "", "xyz", true},
        {{"..eex", dots(113)}, "", "eeeq", false},  // e, e and the next text's length 113, a q
        {{dots(60), wide(u"\u0142 GR\u00DCSSE"), dots(60)}, "", "gr\xFCsse", true},
        {{dots(60), wide(u"\u212Aey"), dots(60)}, "", "key", true},
        {{dots(60), wide(u"\u0142 x"), dots(60)}, "", "ey", false},
        {{wide(u"\u0142eeeeeeee\u00DC"), dots(60)}, "", "eeeeeeee\xDC", true},
    };
    for (const auto& c : cases) {
        CStringArray texts(c.texts);
        if (!c.setAnew.empty())
            texts.Set(3, c.setAnew);
        EXPECT_EQ(CFoldedNeedle(c.needle).MayBeInAny(texts), c.may) << c.needle << " in " << texts.size();
    }
    // Tables of random lengths, a text set anew and one erased: the needle
    // is cut from a live text, and the sweep begins at either end.
    const CStringArray other = {"1..", "2.."};
    std::mt19937 rng(5);
    const auto letters = [&](std::size_t n) {
        std::string t(n, ' ');
        for (char& c : t)
            c = static_cast<char>('a' + rng() % 26);
        return t;
    };
    for (int n = 0; n < 300; ++n) {
        CStringArray texts;
        for (std::size_t k = 2 + rng() % 300; k > 0; --k)
            texts.push_back(letters(rng() % 400));
        texts.Erase(rng() % texts.size());
        const std::size_t set = rng() % texts.size();  // its bytes end the last block
        texts.Set(set, dots(rng() % 50, "nAbc"));
        const std::string_view text = texts[n % 2 ? set : rng() % texts.size()];
        const std::size_t at = text.empty() ? 0 : rng() % text.size();
        const std::string needle(text.substr(at, 1 + rng() % 70));
        const std::size_t from = n % 2 ? 0 : texts.size() - 1;
        ASSERT_EQ(CFoldedNeedle(needle).MayBeInAny(n % 3 ? texts : other, n % 3 ? &other : &texts, from, n % 5 == 0),
                  !needle.empty())
            << n;
    }
}

// Wide texts against folding every character, on random texts of letters
// whose forms differ in length (k and the Kelvin sign, s and the long s) or
// number (Σ σ ς), ASCII needles among the needles.
TEST(FoldedNeedle, WideTextsSameAsFoldingEveryCharacter)
{
    const char* const alphabet[] = {"a", "A", "k", "K", "s", "S", " ", "\u212A", "\u017F", "\u03A3", "\u03C3",
                                    "\u03C2", "\u038A", "\u03AF", "\u0141", "\u0142", "\u00E9", "\u00C9", "\u4E2D", "\U0001F600"};
    // The folded characters of a text, each with the byte it begins at.
    const auto folded = [](const std::string& t) {
        std::vector<std::pair<char32_t, std::size_t>> out;
        std::size_t at = IsWideText(t) ? kWideTextMark.size() : 0;
        for (TextCharacters chars(t); !chars.AtEnd();) {
            const char32_t c = chars.Next();
            out.emplace_back(FoldForFind(c), at);
            at += !IsWideText(t) || c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        }
        return out;
    };
    std::mt19937 rng(7);
    for (int n = 0; n < 20000; ++n) {
        std::vector<const char*> picked(1 + rng() % 60);
        for (const char*& p : picked)
            p = alphabet[rng() % (n % 2 ? 7 : std::size(alphabet))];
        const std::size_t cut = rng() % picked.size();
        std::string text, needle;
        for (std::size_t k = 0; k < picked.size(); ++k) {
            text += picked[k];
            needle += n % 3 && k >= cut && k < cut + 1 + rng() % 4 ? picked[k] : "";
        }
        text += n % 2 ? alphabet[7 + rng() % 13] : "";
        needle = needle.empty() ? alphabet[rng() % std::size(alphabet)] : needle;
        const auto t = folded(*TextFromUtf8(text));
        const auto k = folded(*TextFromUtf8(needle));
        std::vector<std::size_t> starts;
        for (std::size_t i = 0; i + k.size() <= t.size(); ++i)
            if (std::equal(k.begin(), k.end(), t.begin() + i, [](auto x, auto y) { return x.first == y.first; }))
                starts.push_back(t[i].second);
        const std::size_t from = rng() % (text.size() + 6);
        const auto first = std::lower_bound(starts.begin(), starts.end(), from);
        const CFoldedNeedle find(*TextFromUtf8(needle));
        ASSERT_EQ(find.FindFirst(*TextFromUtf8(text), from), first == starts.end() ? CFoldedNeedle::npos : *first) << n;
        ASSERT_EQ(find.FindLastBefore(*TextFromUtf8(text), from), first == starts.begin() ? CFoldedNeedle::npos : first[-1]) << n;
        ASSERT_TRUE(find.MayBeInAny({std::string(40, '.'), *TextFromUtf8(text), "."}) || starts.empty()) << n;
    }
}

}  // namespace
