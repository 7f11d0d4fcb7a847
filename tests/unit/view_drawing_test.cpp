// SPDX-License-Identifier: MIT
// The view's layout (wrapping, description and key-list geometry) and drawing: content, hit state, scrolls' rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "../common/test_documents.h"
#include "fake_host.h"
#include "core/layout/description_layout.h"
#include "core/layout/key_list_layout.h"
#include "core/layout/wrap_index.h"
#include "core/layout/shown_entry.h"
#include "core/layout/view_drawing.h"

namespace {
constexpr int L = 16;

// Every character 8 pixels wide, lines 16 high.
TextMetrics Fixed()
{
    return {[](std::string_view s) { return static_cast<int>(s.size()) * 8; }, 16, 8};
}

// `lines` short lines, then `needle`, then 100 lines more.
std::string NeedleAfter(int lines, const std::string& needle = "needle")
{
    std::string text;
    for (int i = 0; i < lines + 100; ++i)
        text += (i == lines ? needle : "") + "line " + std::to_string(i) + "\r\n";
    return text;
}

class ViewDrawingTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
    CKeyListLayout keyList;
    CWrapIndex descriptionLines;
    CHitScrollGuard guard;
    int scrollY = 0;

    void SetUp() override
    {
        host.onTableChanged = [this](const TableChange& c) {
            keyList.TableChanged(c);
            descriptionLines.Forget();
        };
    }

    ViewDrawing Draw(int windowHeight = 400, int windowWidth = 500)
    {
        ViewGeometry g;
        g.windowWidth = windowWidth;
        g.windowHeight = windowHeight;
        g.shownHeight = windowHeight;
        g.scrollY = scrollY;
        g.metrics = Fixed();
        g.fontKey = "fixed";
        return DrawView(doc, g, keyList, descriptionLines, guard);
    }

    // Repaints as the window does: each scroll clamped to the content, one more drawing; returns scrolls.
    int RepaintUntilQuiet(int windowHeight, int limit = 20)
    {
        int scrolls = 0;
        for (int n = 0; n < limit; ++n) {
            const ViewDrawing d = Draw(windowHeight);
            if (!d.scrollTo)
                return scrolls;
            const int reached = std::clamp(*d.scrollTo, 0, std::max(0, d.contentHeight - windowHeight));
            guard.ScrolledTo(reached);
            if (reached == scrollY)
                return scrolls;
            scrollY = reached;
            ++scrolls;
        }
        return -1;
    }
};

// Empty document: welcome frame only, no status; entry: two frames, date, description; unchosen position becomes 0.
TEST_F(ViewDrawingTest, WelcomeOrEntryFramesDateAndStatus)
{
    ViewDrawing d = Draw();
    ASSERT_EQ(d.frames.size(), 1u);
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_EQ(d.texts[0].text.substr(0, 6), " Ovrin");
    EXPECT_TRUE(d.status.empty());

    FillTable(doc, {"alpha", "beta", "gamma"});
    doc.SetCurrent(-1);
    d = Draw();
    EXPECT_EQ(doc.Current(), 0);
    EXPECT_EQ(d.status, "First entry");
    ASSERT_EQ(d.frames.size(), 2u);
    ASSERT_EQ(d.texts.size(), 3u);
    EXPECT_EQ(d.texts[1].text, "1.1.2000");
    EXPECT_EQ(d.texts[2].top, 6 * L);
    EXPECT_EQ(d.contentHeight, 8 * L);
    EXPECT_TRUE(d.markers.empty());
    doc.SetCurrent(2);
    EXPECT_EQ(Draw().status, "Last entry");
}

// The key list draws only the blocks in the window and marks the current one.
TEST_F(ViewDrawingTest, KeyListDrawsVisibleBlocksOnly)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 1000; ++i)
        keys.push_back("key " + std::to_string(1000 + i));
    FillTable(doc, keys);
    doc.ShowKeyList(true);
    doc.SetCurrent(105);
    scrollY = 100 * L + 3;  // inside block 100
    const ViewDrawing d = Draw(10 * L);
    EXPECT_EQ(d.contentHeight, 1000 * L);
    ASSERT_FALSE(d.texts.empty());
    EXPECT_EQ(d.texts.front().text, "key 1100");
    EXPECT_EQ(d.texts.size(), 11u);  // blocks 100..110 reach into the window
    EXPECT_EQ(d.markers, std::vector<int>{105 * L});
    EXPECT_FALSE(d.scrollTo);
}

// A far hit shows after two scrolls and stays, also in a ~3-line window where the two scroll rules undo each other.
TEST_F(ViewDrawingTest, HitScrollsIntoViewAndSettles)
{
    SetEntries(doc, {{"a", "d:a"}, {"b", NeedleAfter(300)}});
    const int needle = static_cast<int>(doc.Descriptions()[1].find("needle"));
    doc.MoveToHit({1, needle});
    guard.NewHit();
    EXPECT_EQ(RepaintUntilQuiet(400), 2);
    const int hitTop = Draw(400).markers.at(0);
    EXPECT_EQ(hitTop, 6 * L + 300 * L);
    EXPECT_EQ(scrollY, hitTop - 3 * (400 / 4));
    const ViewDrawing settled = Draw(400);
    EXPECT_EQ(settled.markers, std::vector<int>{hitTop});
    EXPECT_FALSE(guard.HasNewHit());
    // The description is drawn from an indexed line at or above the window's top, at its own place.
    const PlacedText& description = settled.texts[2];
    EXPECT_LE(description.top, scrollY);
    EXPECT_LT(scrollY - description.top, 256 * L);
    const std::string lineThere = "line " + std::to_string((description.top - 6 * L) / L) + "\r\n";
    EXPECT_EQ(doc.Descriptions()[1].substr(description.from, lineThere.size()), lineThere);

    const int low = 3 * L;
    ASSERT_LT(low - 3 * (low / 4), L);
    scrollY = 0;
    const int scrolls = RepaintUntilQuiet(low);
    EXPECT_GE(scrolls, 1);
    EXPECT_LE(scrolls, 2);
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
    lines.Update(text, c.right - 15, Fixed(), "f");
    const DescriptionLayout d = LayOutDescription("keys", text, lines, 7 + 71 + 71 + 5, c, Fixed());
    EXPECT_EQ(d.keyWordsBottom, 48);
    EXPECT_EQ(d.frameBottom, 64);
    EXPECT_EQ(d.descriptionTop, 96);
    EXPECT_EQ(d.contentHeight, 96 + 4 * 16 + 16);
    ASSERT_TRUE(d.hitTop.has_value());
    EXPECT_EQ(*d.hitTop, 96 + 3 * 16);
    EXPECT_FALSE(LayOutDescription("k", text, lines, -1, c, Fixed()).hitTop.has_value());
}

// The entry shown and its hit, as drawing, printing and accessibility take them: a hit at a
// description's first byte is in it, one past its end at its end.
TEST(ShownEntry, EntryAndFindHit)
{
    FakeHost host;
    COvrinDoc doc(host);
    SetEntries(doc, {{"a", "0123"}, {"b", "xy"}});
    using W = ShownHit::Where;
    struct Case { int current, findEntry, findPos, entry; W where; std::size_t pos; };
    for (const Case& c : {Case{-1, 0, -1, 0, W::KeyWords, 0}, Case{1, 0, 2, 1, W::None, 0},
                          Case{1, 1, 0, 1, W::Description, 0}, Case{7, 1, 9, 1, W::Description, 2}}) {
        doc.MoveToHit({c.findEntry, c.findPos});
        doc.SetCurrent(c.current);
        const ShownHit hit = FindHitShown(doc);
        EXPECT_EQ(std::tuple(ShownEntry(doc), hit.where, hit.pos), std::tuple(c.entry, c.where, c.pos)) << c.current;
    }
}

// Bottoms h, 2h, 3h; wrapped blocks grow by whole lines; half-open hits; the cache follows table and edge.
TEST(KeyListLayout, BottomsHitTestAndCache)
{
    FakeHost host;
    COvrinDoc doc(host);
    FillTable(doc, {"a", "b", "c"});
    CKeyListLayout keys;
    host.onTableChanged = [&keys](const TableChange& c) { keys.TableChanged(c); };
    keys.Update(doc, 600, Fixed(), "f");
    EXPECT_EQ(keys.Bottoms(), (std::vector<int>{16, 32, 48}));
    for (const auto& [y, block] : {std::pair{0, 0}, {16, 1}, {47, 2}, {48, -1}})
        EXPECT_EQ(keys.BlockAt(y), block) << y;

    host.editAnswers.push_back({true, std::string(60, 'k') + " " + std::string(60, 'k'), ""});
    doc.SetCurrent(0);
    doc.OnEntryEdit();
    keys.Update(doc, 600, Fixed(), "f");
    EXPECT_EQ(keys.Bottoms(), (std::vector<int>{16, 32, 64}));
    keys.Update(doc, 2000, Fixed(), "f");
    EXPECT_EQ(keys.ContentHeight(), 48);
}

// After Add/Edit/Delete/Undo at ends and between, two changes per paint and a new table, bottoms match a fresh layout.
TEST(KeyListLayout, MendedAfterEachCommandAsIfMadeAgain)
{
    FakeHost host;
    COvrinDoc doc(host);
    const auto lines = [](int n, char c) { return std::string(70 * n, c); };
    FillTable(doc, {lines(1, 'b'), lines(2, 'd'), lines(3, 'f'), lines(1, 'h')});
    CKeyListLayout mended;
    host.onTableChanged = [&mended](const TableChange& c) { mended.TableChanged(c); };
    mended.Update(doc, 600, Fixed(), "f");
    enum { Add, Edit, Delete, Undo, New };
    const struct {
        int command, current;
        std::string keyWords;
        bool paint;
    } steps[] = {{Add, 0, lines(3, 'a'), true}, {Add, 0, lines(2, 'z'), true},  {Edit, 0, lines(1, 'g'), true},
                 {Edit, 5, lines(3, 'c'), true}, {Delete, 0, "", true},          {Delete, 4, "", false},
                 {Undo, 0, "", true},            {Edit, 0, lines(3, 'i'), false}, {Edit, 2, lines(2, 'e'), true},
                 {New, 0, "", true},             {Add, 0, lines(2, 'a'), true}};
    for (const auto& s : steps) {
        doc.SetCurrent(s.current);
        host.editAnswers = {{true, s.keyWords, "d"}};
        switch (s.command) {
        case Add: doc.OnEntryAdd(); break;
        case Edit: doc.OnEntryEdit(); break;
        case Delete: doc.OnEntryDelete(); break;
        case Undo: doc.OnEntryUndo(); break;
        default: FillTable(doc, {lines(2, 'x'), lines(1, 'y')});
        }
        if (!s.paint)
            continue;
        mended.Update(doc, 600, Fixed(), "f");
        CKeyListLayout fresh;
        fresh.Update(doc, 600, Fixed(), "f");
        ASSERT_EQ(mended.Bottoms(), fresh.Bottoms()) << s.command << " at " << s.current;
    }
}
}  // namespace
