// SPDX-License-Identifier: MIT
// Wrapping and the geometry of the description view and the key list.
#include <gtest/gtest.h>

#include <random>

#include "../common/test_documents.h"
#include "fake_host.h"
#include "view/layout/description_layout.h"
#include "view/layout/key_list_layout.h"

namespace {

// Every character 8 pixels wide, lines 16 high.
TextMetrics Fixed()
{
    return {[](std::string_view s) { return static_cast<int>(s.size()) * 8; }, 16, 8};
}

std::vector<std::string> Lines(std::string_view text, int width)
{
    std::vector<std::string> out;
    for (const WrappedLine& l : WrapText(text, width, Fixed()))
        out.emplace_back(text.substr(l.begin, l.length));
    return out;
}

// Breaks at blanks, splits over-long words, honours CR LF, LF and tabs.
TEST(TextWrap, BreaksAtBlanksAndLineBreaks)
{
    EXPECT_EQ(Lines("aaa bbb ccc", 56), (std::vector<std::string>{"aaa bbb", "ccc"}));
    EXPECT_EQ(Lines("abcdefghij", 32), (std::vector<std::string>{"abcd", "efgh", "ij"}));
    EXPECT_EQ(Lines("one\r\ntwo\nthree", 800), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(Lines("a\r\n\r\nb", 800), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(Lines("", 800).size(), 1u);
    // A tab moves to 64 pixels, so "a\tb" needs 72 and wraps in 64.
    EXPECT_EQ(Lines("a\tb", 72).size(), 1u);
    EXPECT_EQ(Lines("a\tb", 64).size(), 2u);
    // Even a rectangle narrower than one character ends, one per line.
    EXPECT_EQ(Lines("xyz", 1).size(), 3u);
}

// The marker goes to the wrapped line on which the hit starts.
TEST(DescriptionLayout, FramesAndHitLine)
{
    const ViewColumns c = ColumnsFor(false, 500);  // text 585 wide: 73 chars
    std::string text = "first\r\n";
    text += std::string(70, 'a') + " " + std::string(70, 'b') + " " + std::string(70, 'c');
    CWrapIndex lines;
    lines.Update(text, 1, c.right - 15, Fixed(), "f");
    const DescriptionLayout d = LayOutDescription("keys", text, lines, 7 + 71 + 71 + 5, c, Fixed());
    EXPECT_EQ(d.keyWordsBottom, 48);
    EXPECT_EQ(d.frameBottom, 64);
    EXPECT_EQ(d.descriptionTop, 96);
    EXPECT_EQ(d.contentHeight, 96 + 4 * 16 + 16);
    ASSERT_TRUE(d.hitTop.has_value());
    EXPECT_EQ(*d.hitTop, 96 + 3 * 16);
    EXPECT_FALSE(LayOutDescription("k", text, lines, -1, c, Fixed()).hitTop.has_value());
}

// A hit near the end scrolls no further than the last full window (the
// two-step scroll from far away is checked with the drawing).
TEST(DescriptionLayout, HitNearTheEndScrollsToTheLastWindow)
{
    EXPECT_EQ(HitScrollTarget(0, 400, 16, 5900, 6000), 6000 - 400);
}

// Bottoms h, 2h, 3h; a wrapped block grows by whole lines; half-open hits;
// the cache follows changes of the table and of the right edge.
TEST(KeyListLayout, BottomsHitTestAndCache)
{
    FakeHost host;
    COvrinDoc doc(host);
    FillTable(doc, {"a", "b", "c"});
    CKeyListLayout keys;
    keys.Update(doc, 600, Fixed(), "f");
    EXPECT_EQ(keys.Bottoms(), (std::vector<int>{16, 32, 48}));
    EXPECT_EQ(keys.BlockAt(0), 0);
    EXPECT_EQ(keys.BlockAt(16), 1);
    EXPECT_EQ(keys.BlockAt(47), 2);
    EXPECT_EQ(keys.BlockAt(48), -1);

    host.editAnswers.push_back({true, std::string(60, 'k') + " " + std::string(60, 'k'), ""});
    doc.m_nCurrent = 0;
    doc.OnEntryEdit();
    keys.Update(doc, 600, Fixed(), "f");
    EXPECT_EQ(keys.Bottoms(), (std::vector<int>{16, 32, 64}));
    keys.Update(doc, 2000, Fixed(), "f");
    EXPECT_EQ(keys.ContentHeight(), 48);
}

// After Add, Edit, Delete and Undo anywhere in the table the mended bottoms
// are those a layout made afresh gives; now and then two commands come
// before the next paint, and the table is also rewritten directly.
TEST(KeyListLayout, MendedAfterEachCommandAsIfMadeAgain)
{
    FakeHost host;
    COvrinDoc doc(host);
    std::mt19937 rng(11);
    const auto keyWords = [&rng] {
        std::string k;
        for (std::size_t length = 1 + rng() % 200; k.size() < length;)
            k += std::string(1 + rng() % 12, static_cast<char>('a' + rng() % 26)) + ' ';
        return k;
    };
    std::vector<std::string> table;
    for (int i = 0; i < 30; ++i)
        table.push_back(keyWords());
    FillTable(doc, table);
    CKeyListLayout mended;
    mended.Update(doc, 600, Fixed(), "f");
    for (int step = 0; step < 600; ++step) {
        doc.m_nCurrent = doc.m_nCount > 0 ? static_cast<int>(rng() % doc.m_nCount) : -1;
        switch (rng() % 4) {
        case 0:
            host.editAnswers = {{true, keyWords(), "d"}};
            doc.OnEntryAdd();
            break;
        case 1:
            host.editAnswers = {{true, keyWords(), "d"}};
            doc.OnEntryEdit();
            break;
        case 2:
            doc.OnEntryDelete();
            break;
        default:
            doc.OnEntryUndo();
        }
        if (step % 97 == 0)
            FillTable(doc, {"x", keyWords()});
        if (step % 7 == 0)
            continue;
        mended.Update(doc, 600, Fixed(), "f");
        CKeyListLayout fresh;
        fresh.Update(doc, 600, Fixed(), "f");
        ASSERT_EQ(mended.Bottoms(), fresh.Bottoms()) << step;
    }
}

}  // namespace
