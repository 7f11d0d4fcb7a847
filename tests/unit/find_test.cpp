// SPDX-License-Identifier: MIT
// The Find dialog's searches in document order, and the folded matching.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/search/find_dlg_state.h"
#include "core/search/find_match.h"
#include "core/document/string_array.h"
#include "core/text/text_form.h"
#include "../common/test_documents.h"
#include "fake_host.h"

namespace {
// One walk step: set the position, or Next/Back expecting a hit at (entry, position) or the hint.
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
    CFindDlgState& find = doc.FindState();

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
        EXPECT_EQ(doc.Hit().entry, entry);
        EXPECT_EQ(doc.Current(), entry);
        EXPECT_EQ(doc.Hit().pos, pos);
        EXPECT_TRUE(host.newHit);
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
                doc.SetCurrent(s.entry);
                doc.SetFindPos(s.pos);
                continue;
            }
            const size_t hints = host.hints.size();
            const int updates = host.updates;
            host.newHit = false;
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
                EXPECT_EQ(doc.Current(), s.entry);
            }
            if (s.pos != kAny) {
                EXPECT_EQ(doc.Hit().pos, s.pos);
            }
        }
    }
};

// Document order is key words, then description; each walk guards one rule of start, go on and stop.
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
         {{"a", TextFromUtf16(u"\u00E9\u00E9\u00E9 \u0142")}}, "éé", true,
         {{Goto, 0, -1}, {Next, 0, 0}, {Next, 0, 2}, {NextEnds, 0, 2}, {Back, 0, 0}, {BackEnds, 0, kAny}}},
        {"a needle nowhere leaves the position as a walk through the entries would", {{"a", "x"}, {"b", "y"}},
         "zz", true, {{Goto, 0, 5}, {NextEnds, 0, -1}, {Goto, 1, 5}, {NextEnds, 1, 5}, {BackEnds, 1, -1}}},
    };
    for (const Walk& walk : walks) {
        doc.ForgetHit();
        doc.SetFindPos(-1);
        Run(walk);
    }
}

// Over several blocks, Next and Back skip entries in blocks the sweep found clean, up to the needle's block.
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
        doc.SetCurrent(s.from);
        doc.SetFindPos(s.from == 150 ? 10 : s.from == 20 ? 30 : -1);
        const int updates = host.updates;
        s.next ? find.OnFindNext() : find.OnFindBack();
        ExpectHit(s.entry, s.pos, updates);
    }
}

// First starts at entry 0, optionally with its key words; an empty string does nothing, not even clear First.
TEST_F(FindTest, FirstAndTheEmptyString)
{
    Fill({{"target", ""}, {"b", "target"}, {"c", ""}});
    Search("target", false);
    doc.SetCurrent(2);
    host.updates = 0;
    find.OnFindFirst();
    ExpectHit(0, -1, 0);

    Search("", true);
    doc.SetCurrent(2);
    host.updates = 0;
    host.newHit = false;
    find.OnFindFirst();
    find.OnFindNext();
    find.OnFindBack();
    EXPECT_EQ(host.updates, 0);
    EXPECT_EQ(doc.Current(), 2);
    EXPECT_TRUE(find.m_bFromFirst);

    Search("TARGET", true);
    find.OnFindNext();  // from entry 0, as First asked
    ExpectHit(0, -1, 0);
    EXPECT_FALSE(find.m_bFromFirst);
    find.OnFindNext();
    ExpectHit(1, 0, 1);
}

// Any forms: Windows-1252 folds by its own rule, others by Unicode simple folding; positions in stored bytes.
TEST(FoldedNeedle, FindsAnyTextCaseIgnored)
{
    const auto wide = [](std::u16string_view s) { return TextFromUtf16(s); };
    const struct {
        std::string needle, text;
        std::size_t at;
    } cases[] = {
        {wide(u"\u0142"), wide(u"x\u0141\u00D3D\u0179"), 1},  // ł finds Ł
        {wide(u"\u03C3"), wide(u"x\u03A3"), 1},                 // σ finds Σ
        {wide(u"\u03A3"), wide(u"\u03C2"), 0},                  // Σ finds ς
        {"é", wide(u"\u0141\u00C9"), 2},                      // é finds É
        {wide(u"\u017F"), "aS", 1},                              // long s folds to s
        {"k", wide(u"x\u212A"), 1},                              // the Kelvin sign folds to k
        {wide(u"\u0142"), "l", CFoldedNeedle::npos},
        {"µ", wide(u"\u03BC"), CFoldedNeedle::npos},           // the micro sign stays itself
        {wide(u"\U0001F600b"), wide(u"a\U0001F600B"), 1},
        {"AB", TextFromCp1252("\xFF\xFE\xFF" "ab"), 6},         // after letters beyond ASCII
        {"SK", wide(u"\u0142s\u017F\u212A"), 3},                // an ASCII needle in other forms
        {"\x01", wide(u"\u0142\u0001"), 2},
        {wide(u"\u03AF\u03C3"), wide(u"\u0142......................\u038A\u03A3"), 24},  // at the very end
        // Windows-1252 capitals' edges: À and Þ fold, ß (just past Þ) and × (among them) do not.
        {"àþ", "xÀÞ", 1},
        {"ß", "ÿß", 2},
        {"ÿ", "ßŸ", 2},
        {"÷", "×", CFoldedNeedle::npos},
    };
    for (const auto& c : cases) {
        const CFoldedNeedle needle(c.needle);
        EXPECT_EQ(needle.FindFirst(c.text), c.at) << c.needle << " in " << c.text;
    }
}

// Edge positions: overlapping hits, hits at the very start or last start, needles of 1, 2, 4 bytes and
// longer than the text, common letters only, folded non-ASCII bytes, wide forms of differing lengths.
TEST(FoldedNeedle, FindsFirstAndLastAtTheEdges)
{
    const auto wide = [](std::u16string_view s) { return TextFromUtf16(s); };
    constexpr std::size_t no = CFoldedNeedle::npos;
    const struct {
        std::string needle, text;
        std::size_t from, first, lastBefore, last;
    } cases[] = {
        {"aa", "aaa", 1, 1, 0, 1},
        {"aa", "aaaa", 2, 2, 1, 2},
        {"a", "Abca", 0, 0, no, 3},
        {"a", "Abca", 4, no, 3, 3},
        {"xq", "abXQ", 0, 2, no, 2},
        {"xq", "XQab", 1, no, 0, 0},
        {"tent", "....tent", 0, 4, no, 4},
        {"tent", "xxxTENT", 1, 3, no, 3},
        {"tent", "tentatent", 1, 5, 0, 5},
        {"sent", "sen", 0, no, no, no},
        {"été", "xÉTÉété", 0, 1, no, 6},
        {"Ààààà", "ààÀÀ", 0, no, no, no},
        {"ÿß", "Ÿßÿß", 2, 4, 0, 4},
        {"sé", "ssÉSé", 2, 4, 1, 4},
        {wide(u"\u03C3"), wide(u"\u03A3\u03C3\u03C2"), 1, 2, 0, 4},
        {"k", wide(u"kK\u212Ak"), 2, 2, 1, 5},
        {wide(u"\u212Aa"), wide(u"ka\u212AAk"), 0, 0, no, 2},
        {"ss", wide(u"\u0142s\u017FSs"), 3, 3, 2, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.needle << " in " << c.text << " from " << c.from);
        const CFoldedNeedle needle(c.needle);
        EXPECT_EQ(needle.FindFirst(c.text, c.from), c.first);
        EXPECT_EQ(needle.FindLastBefore(c.text, c.from), c.lastBefore);
        EXPECT_EQ(needle.FindLast(c.text), c.last);
        EXPECT_TRUE(needle.MayBeInAny({std::string(40, '.'), c.text, "."}) || c.last == no);
    }
    // Needles looked for by four bytes at once and by two, at every start of a text longer than the
    // stretches they are tested in, the first of two occurrences.
    for (const std::string needle : {"eene", "tqx"})
        for (std::size_t at = 0; at + 2 * needle.size() <= 1100; ++at) {
            std::string text(1100, '.');
            text.replace(at, needle.size(), needle);
            text.replace(1100 - needle.size(), needle.size(), needle);
            EXPECT_EQ(CFoldedNeedle(needle).FindFirst(text), at) << needle << " at " << at;
        }
}

// The block sweep finds a needle's text wherever it lies and passes over tables without it. Non-ASCII
// needles (or with letters having such forms) are swept for by their run of characters; ASCII ones by their bytes.
TEST(FoldedNeedle, SweepsTheTablesBlocks)
{
    const auto dots = [](std::size_t n, const std::string& tail = "") { return std::string(n, '.') + tail; };
    const auto wide = [](std::u16string_view s) { return TextFromUtf16(s); };
    // 104-byte records, none shared: the first two 4 KiB blocks end after texts 38 and 77.
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
        {{dots(20000, "xYz") + dots(300000)}, "", "xyz", true},  // far into a block's second piece
        {{wide(std::u16string(16379, u'.') + u"\u017F")}, "", "s", true},  // a long s across two pieces
        {{"..eex", dots(113)}, "", "eeeq", false},  // e, e and the next text's length 113, a q
        {{dots(120), dots(88), "y"}, "", "x", false},   // lengths 120 and 88 are x and X
        {many(50, dots(99, "X")), "", "x", true},
        {{dots(60), wide(u"\u0142 GR\u00DCSSE"), dots(60)}, "", "grüsse", true},
        {{dots(60), wide(u"\u212Aey"), dots(60)}, "", "key", true},
        {{dots(60), wide(u"\u0142 x"), dots(60)}, "", "ey", false},
        {{wide(u"\u0142eeeeeeee\u00DC"), dots(60)}, "", "eeeeeeeeÜ", true},
    };
    for (const auto& c : cases) {
        CStringArray texts(c.texts);
        if (!c.setAnew.empty())
            texts.Set(3, c.setAnew);
        EXPECT_EQ(CFoldedNeedle(c.needle).MayBeInAny(texts), c.may) << c.needle << " in " << texts.size();
    }
    // A text set anew, one erased, the needle's table second: found from either end, both ways.
    const CStringArray other = {"1..", "2.."};
    for (const std::size_t at : {0, 50, 98})
        for (const std::size_t from : {0, 98})
            for (const bool backward : {false, true}) {
                CStringArray texts = many(99, dots(20));
                texts.Erase(10);
                texts.Set(at, dots(at % 7, "nAbc"));
                EXPECT_TRUE(CFoldedNeedle("NaBC").MayBeInAny(other, &texts, from, backward)) << at << from;
            }
}
}  // namespace
