// SPDX-License-Identifier: MIT
// The Find dialog's searches in document order, and the folded matching.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dialogs/logic/find_dlg_state.h"
#include "dialogs/logic/find_match.h"
#include "doc_test_support.h"

namespace {

struct Entry {
    std::string keyWords;
    std::string description;
};

class FindTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
    CFindDlgState& find = *doc.m_pFindDlg;

    void SetUp() override { find.m_pDoc = &doc; }

    void Fill(const std::vector<Entry>& entries)
    {
        std::vector<std::string> keys;
        for (const Entry& e : entries)
            keys.push_back(e.keyWords);
        FillTable(doc, keys);
        for (size_t i = 0; i < entries.size(); ++i)
            doc.m_arrDescriptions[i] = entries[i].description;
    }
    void Search(const std::string& text, bool inDescriptions)
    {
        find.m_strSearch = text;
        find.m_bInDescriptions = inDescriptions;
    }
    // Where the last hit is, as (entry, position), with the current entry.
    void ExpectHit(int entry, int pos)
    {
        EXPECT_EQ(doc.m_nFindEntry, entry);
        EXPECT_EQ(doc.m_nCurrent, entry);
        EXPECT_EQ(doc.m_nFindPos, pos);
        EXPECT_TRUE(doc.m_bNewHit);
    }
    std::string At(int pos, const std::string& s, int length = 60)
    {
        std::string text(static_cast<size_t>(length), '.');
        text.replace(static_cast<size_t>(pos), s.size(), s);
        return text;
    }
};

// Walks the worked example: two hits in one description, forward and back,
// then out to the key words or the description before.
TEST_F(FindTest, TwoHitsInOneDescriptionForwardAndBack)
{
    const std::string twice = At(40, "needle", 60).replace(5, 6, "NEEDLE");
    Fill({{"a", "nothing"}, {"b", "nothing"}, {"c needle", twice}, {"d", "x"}});
    Search("needle", true);

    find.OnFindNext();
    // entry 2's key words come before its description in document order
    ExpectHit(2, -1);
    find.OnFindNext();
    ExpectHit(2, 5);
    find.OnFindNext();
    ExpectHit(2, 40);
    doc.m_bNewHit = false;
    const int updates = host.updates;
    find.OnFindBack();
    ExpectHit(2, 5);
    EXPECT_EQ(host.updates, updates + 1);
    find.OnFindBack();
    ExpectHit(2, -1);
    find.OnFindBack();
    EXPECT_EQ(host.hints, std::vector<std::string>{g_strNoMoreHit});
    EXPECT_EQ(doc.m_nCurrent, 2);
    EXPECT_EQ(doc.m_nFindEntry, 2);
}

// Without a match in entry 2's key words, Back from the first description
// hit goes on to the last occurrence in entry 1's description.
TEST_F(FindTest, BackLeavesTheEntryForTheEndOfThePreviousDescription)
{
    Fill({{"a", "x"}, {"b", At(3, "pin").replace(20, 3, "pin")}, {"c", At(5, "pin").replace(40, 3, "pin")}});
    Search("pin", true);
    doc.m_nCurrent = 2;
    find.OnFindNext();
    ExpectHit(2, 5);
    find.OnFindNext();
    ExpectHit(2, 40);
    find.OnFindBack();
    ExpectHit(2, 5);
    find.OnFindBack();
    ExpectHit(1, 20);
    find.OnFindBack();
    ExpectHit(1, 3);
    find.OnFindBack();  // entry 1's and entry 0's key words and entry 0's text
    EXPECT_EQ(host.hints.size(), 1u);
    EXPECT_EQ(doc.m_nCurrent, 1);
    EXPECT_EQ(doc.m_nFindPos, -1);
}

// Case is folded on both sides, the string may stand inside words, and
// blanks are ordinary characters.
TEST_F(FindTest, FoldedSubstringAnywhere)
{
    Fill({{"start", ""}, {"Project Plan", ""}, {"one blank", ""}, {"two  blanks", ""}});
    for (const char* s : {"plan", "PLAN", "ject pl"}) {
        doc.m_nCurrent = 0;
        Search(s, false);
        find.OnFindNext();
        EXPECT_EQ(doc.m_nCurrent, 1) << s;
    }
    doc.m_nCurrent = 0;
    Search("  ", false);
    find.OnFindNext();
    EXPECT_EQ(doc.m_nCurrent, 3);
    EXPECT_TRUE(host.hints.empty());
}

// With the box unticked no description is read, in either direction.
TEST_F(FindTest, UntickedBoxSearchesKeyWordsOnly)
{
    Fill({{"apple tree", "tree"}, {"b", "tree tree"}, {"c", "tree"}, {"tree house", "tree"}});
    Search("tree", false);
    find.OnFindNext();
    ExpectHit(3, -1);
    find.OnFindBack();
    ExpectHit(0, -1);
    find.OnFindBack();
    EXPECT_EQ(host.hints.size(), 1u);
    EXPECT_EQ(doc.m_nCurrent, 0);
}

// A hit at position 0 has nothing before it in its description, so Back
// goes to the same entry's key words and then to the previous entry.
TEST_F(FindTest, BackFromPositionZero)
{
    Fill({{"key", "key at the end: key"}, {"b", "key first"}});
    Search("KEY", true);
    doc.m_nCurrent = 1;
    doc.m_nFindPos = 0;
    find.OnFindBack();
    ExpectHit(0, 16);
    doc.m_arrKeyWords[1] = "key";
    doc.m_nCurrent = 1;
    doc.m_nFindPos = 0;
    find.OnFindBack();
    ExpectHit(1, -1);
}

// A failed forward search that passed its start entry leaves the position
// at -1, so the next Next finds the start entry's hit again; when the start
// entry is the last one, the position stays.
TEST_F(FindTest, StateAfterFailedForwardSearch)
{
    Fill({{"a", "x"}, {"b", "..hay.."}, {"c", "x"}});
    Search("hay", true);
    doc.m_nCurrent = 1;
    find.OnFindNext();
    ExpectHit(1, 2);
    find.OnFindNext();
    EXPECT_EQ(host.hints.size(), 1u);
    EXPECT_EQ(doc.m_nCurrent, 1);
    EXPECT_EQ(doc.m_nFindEntry, 1);
    EXPECT_EQ(doc.m_nFindPos, -1);
    find.OnFindNext();
    ExpectHit(1, 2);

    doc.m_arrDescriptions[2] = "hay";
    doc.m_nCurrent = 2;
    doc.m_nFindPos = 0;
    find.OnFindNext();
    EXPECT_EQ(host.hints.size(), 2u);
    EXPECT_EQ(doc.m_nFindPos, 0);
}

// Next never matches its start entry's key words; after the user walks to
// another entry, the search starts there.
TEST_F(FindTest, NextSkipsStartKeyWordsAndFollowsTheCurrentEntry)
{
    Fill({{"cat", ""}, {"cat", ""}, {"dog", ""}, {"cat", ""}});
    Search("cat", false);
    doc.m_nCurrent = 3;
    find.OnFindNext();
    EXPECT_EQ(host.hints, std::vector<std::string>{g_strNoMoreHit});
    EXPECT_EQ(doc.m_nCurrent, 3);
    doc.m_nCurrent = 0;  // walked in the main window
    find.OnFindNext();
    ExpectHit(1, -1);
}

// First starts at entry 0 and, by choice, looks at its key words too; an
// empty string does nothing, not even clear First's flag.
TEST_F(FindTest, FirstAndTheEmptyString)
{
    Fill({{"target", ""}, {"b", "target"}, {"c", ""}});
    Search("target", false);
    doc.m_nCurrent = 2;
    find.OnFindFirst();
    ExpectHit(0, -1);

    Search("", true);
    doc.m_nCurrent = 2;
    doc.m_bNewHit = false;
    const int updates = host.updates;
    find.OnFindFirst();
    find.OnFindNext();
    find.OnFindBack();
    EXPECT_EQ(host.updates, updates);
    EXPECT_TRUE(host.hints.empty());
    EXPECT_EQ(doc.m_nCurrent, 2);
    EXPECT_FALSE(doc.m_bNewHit);
    EXPECT_TRUE(find.m_bFromFirst);

    Search("TARGET", true);
    find.OnFindNext();  // from entry 0, as First asked
    ExpectHit(0, -1);
    EXPECT_FALSE(find.m_bFromFirst);
    find.OnFindNext();
    ExpectHit(1, 0);
}

// Entries deleted while the dialog is open are never read.
TEST_F(FindTest, OnlyExistingEntriesAfterDeletions)
{
    Fill({{"a", "word"}, {"b", "word"}});
    Search("word", true);
    doc.m_nCurrent = 5;  // stale: beyond the table
    doc.m_nFindPos = 2;
    find.OnFindBack();
    ExpectHit(1, 0);

    Fill({});
    doc.m_nCurrent = 0;
    find.OnFindNext();
    find.OnFindBack();
    EXPECT_EQ(host.hints, (std::vector<std::string>{g_strNoMoreHit, g_strNoMoreHit}));
}

// A stale position larger than the description searches nothing of it and
// does not read past its end.
TEST_F(FindTest, StalePositionBeyondTheDescription)
{
    Fill({{"a", "short"}, {"b", "x short"}});
    Search("short", true);
    doc.m_nFindPos = 1000;
    find.OnFindNext();
    ExpectHit(1, 2);
    doc.m_nFindPos = 1000;
    find.OnFindBack();
    ExpectHit(1, 2);
}

// Windows-1252 letters fold with their capitals; signs that merely sit
// beside them (multiplication and division) do not.
TEST(FoldedNeedleTest, Windows1252Letters)
{
    EXPECT_NE(CFoldedNeedle("\xE9" "cole").FindFirst("L'\xC9" "COLE"), CFoldedNeedle::npos);
    EXPECT_EQ(CFoldedNeedle("\x9A").FindFirst("x\x8A"), 1u);          // S caron
    EXPECT_EQ(CFoldedNeedle("\x9F").FindFirst("x\xFF"), 1u);          // Y diaeresis
    EXPECT_EQ(CFoldedNeedle("\x9C").FindLast("\x8C\x9C\x8C."), 2u);   // OE
    EXPECT_EQ(CFoldedNeedle("\xD7").FindFirst("\xF7"), CFoldedNeedle::npos);
    EXPECT_EQ(CFoldedNeedle("\x80").FindFirst("a\x80"), 1u);          // euro stands alone
    for (int b = 0; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        EXPECT_EQ(FoldCp1252(FoldCp1252(c)), FoldCp1252(c)) << b;
        if (b >= 'A' && b <= 'Z') {
            EXPECT_EQ(FoldCp1252(c), b + 32);
        }
        if (b < 'A' || (b > 'Z' && b < 0x80)) {
            EXPECT_EQ(FoldCp1252(c), c) << b;
        }
    }
}

// First and last occurrences at the ends of the text, with matches that
// break off on the last byte, and with both cases of the first letter.
TEST(FoldedNeedleTest, EdgesOfTheText)
{
    const CFoldedNeedle abc("abc");
    EXPECT_EQ(abc.FindFirst("ab"), CFoldedNeedle::npos);
    EXPECT_EQ(abc.FindFirst("aBabAbC"), 4u);
    EXPECT_EQ(abc.FindFirst("Abcab"), 0u);
    EXPECT_EQ(abc.FindFirst("xxAbcab", 3), CFoldedNeedle::npos);
    EXPECT_EQ(abc.FindFirst("abc", 4), CFoldedNeedle::npos);
    EXPECT_EQ(abc.FindLast("ABCxabcAb"), 4u);
    EXPECT_EQ(abc.FindLast("ABCxab"), 0u);
    EXPECT_EQ(abc.FindLast("ab"), CFoldedNeedle::npos);
    const CFoldedNeedle dot(".");  // no second case: one memchr
    EXPECT_EQ(dot.FindFirst("ab.c."), 2u);
    EXPECT_EQ(dot.FindLast("ab.c."), 4u);
    EXPECT_TRUE(CFoldedNeedle("").empty());
    EXPECT_EQ(CFoldedNeedle("aa").FindLast("AaA"), 1u);
    // a text of a single repeated first letter in one case, hits only in the other
    EXPECT_EQ(CFoldedNeedle("ab").FindFirst(std::string(1000, 'a') + "Ab"), 1000u);
    EXPECT_EQ(CFoldedNeedle("ab").FindLast("aB" + std::string(1000, 'A')), 0u);
}

// The fast scans against the plain rule, on random texts and needles: fold
// both, then the first (from a start) and the last occurrence by brute force.
TEST(FoldedNeedleTest, SameAsFoldingEverything)
{
    const auto fold = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(FoldCp1252(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string alphabet = "aAbB \xE9\xC9\x8A\x9A\xFF\x9F.";
    std::mt19937 rng(18);
    for (int n = 0; n < 20000; ++n) {
        std::string text(rng() % 150, ' ');
        for (char& c : text)
            c = n % 4 == 0 ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        std::string needle(1 + rng() % 4, ' ');
        for (char& c : needle)
            c = alphabet[rng() % alphabet.size()];
        const CFoldedNeedle folded(needle);
        const std::string t = fold(text);
        const std::string k = fold(needle);
        const std::size_t from = rng() % (text.size() + 2);
        const std::size_t first = from > t.size() ? std::string::npos : t.find(k, from);
        ASSERT_EQ(folded.FindFirst(text, from), first) << n;
        ASSERT_EQ(folded.FindLast(text), t.rfind(k)) << n;
    }
}

}  // namespace
