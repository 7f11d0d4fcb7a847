// SPDX-License-Identifier: MIT
// One drawing of the view: what it shows, what it does to the document's
// hit state, and how the automatic scrolls to a hit come to rest.
#include <gtest/gtest.h>

#include <algorithm>

#include "../common/test_documents.h"
#include "fake_host.h"
#include "view/layout/key_list_layout.h"
#include "view/layout/wrap_index.h"
#include "view/layout/view_drawing.h"

namespace {

constexpr int L = 16;

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

    ViewDrawing Draw(int windowHeight = 400, int windowWidth = 500)
    {
        ViewGeometry g;
        g.windowWidth = windowWidth;
        g.windowHeight = windowHeight;
        g.scrollY = scrollY;
        g.metrics = {[](std::string_view s) { return static_cast<int>(s.size()) * 8; }, L, 8};
        g.fontKey = "fixed";
        return DrawView(doc, g, keyList, descriptionLines, guard);
    }

    // Repaints the way the window does: every scroll is clamped to the
    // content and causes one more drawing. Returns the scrolls made.
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

// An empty document shows only the welcome frame and no status; an entry
// gets two frames sharing one line, the centred date and the description
// below; a position that was never chosen is corrected to 0.
TEST_F(ViewDrawingTest, WelcomeOrEntryFramesDateAndStatus)
{
    ViewDrawing d = Draw();
    ASSERT_EQ(d.frames.size(), 1u);
    ASSERT_EQ(d.texts.size(), 1u);
    EXPECT_EQ(d.texts[0].text.substr(0, 6), " Ovrin");
    EXPECT_TRUE(d.status.empty());

    FillTable(doc, {"alpha", "beta", "gamma"});
    doc.m_nCurrent = -1;
    d = Draw();
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_EQ(d.status, "First entry");
    ASSERT_EQ(d.frames.size(), 2u);
    EXPECT_EQ(d.frames[0].right, d.frames[1].left);
    ASSERT_EQ(d.texts.size(), 3u);
    EXPECT_TRUE(d.texts[1].centred);
    EXPECT_EQ(d.texts[1].text, "1.1.2000");
    EXPECT_EQ(d.texts[2].top, 6 * L);
    EXPECT_EQ(d.contentHeight, 8 * L);
    EXPECT_TRUE(d.markers.empty());
    doc.m_nCurrent = 2;
    EXPECT_EQ(Draw().status, "Last entry");
}

// The key list draws only the blocks in the window and marks the current one.
TEST_F(ViewDrawingTest, KeyListDrawsVisibleBlocksOnly)
{
    std::vector<std::string> keys;
    for (int i = 0; i < 1000; ++i)
        keys.push_back("key " + std::to_string(1000 + i));
    FillTable(doc, keys);
    doc.m_bKeyList = true;
    doc.m_nCurrent = 105;
    scrollY = 100 * L + 3;  // inside block 100
    const ViewDrawing d = Draw(10 * L);
    EXPECT_EQ(d.contentHeight, 1000 * L);
    ASSERT_FALSE(d.texts.empty());
    EXPECT_EQ(d.texts.front().text, "key 1100");
    EXPECT_EQ(d.texts.size(), 11u);  // blocks 100..110 reach into the window
    EXPECT_EQ(d.markers, std::vector<int>{105 * L});
    EXPECT_FALSE(d.scrollTo);
}

// A hit far below comes into view in two scrolls and then stays, also in a
// window about three lines high, where the two scroll rules undo each
// other; a hit in the key words scrolls to the top once and shows no marker.
TEST_F(ViewDrawingTest, HitScrollsIntoViewAndSettles)
{
    FillTable(doc, {"a", "b"});
    doc.m_arrDescriptions.Set(1, NeedleAfter(300));
    const int needle = static_cast<int>(doc.m_arrDescriptions[1].find("needle"));
    doc.m_nCurrent = doc.m_nFindEntry = 1;
    doc.m_nFindPos = needle;
    doc.m_bNewHit = true;
    EXPECT_EQ(RepaintUntilQuiet(400), 2);
    const int hitTop = doc.m_nHitTop;
    EXPECT_EQ(hitTop, 6 * L + 300 * L);
    EXPECT_EQ(scrollY, hitTop - 3 * (400 / 4));
    const ViewDrawing settled = Draw(400);
    EXPECT_EQ(settled.markers, std::vector<int>{hitTop});
    EXPECT_FALSE(doc.m_bNewHit);
    // The description is drawn from an indexed line at or above the window's
    // top, at that line's own place.
    const PlacedText& description = settled.texts[2];
    EXPECT_LE(description.top, scrollY);
    EXPECT_LT(scrollY - description.top, 256 * L);
    const std::string lineThere = "line " + std::to_string((description.top - 6 * L) / L) + "\r\n";
    EXPECT_EQ(doc.m_arrDescriptions[1].substr(description.from, lineThere.size()), lineThere);

    // The user scrolls away: the next drawing brings the hit back.
    scrollY = 0;
    EXPECT_GT(RepaintUntilQuiet(400), 0);

    const int low = 3 * L;
    ASSERT_LT(low - 3 * (low / 4), L);
    scrollY = 0;
    const int scrolls = RepaintUntilQuiet(low);
    EXPECT_GE(scrolls, 1);
    EXPECT_LE(scrolls, 2);

    doc.m_nFindPos = -1;
    doc.m_bNewHit = true;
    scrollY = 500;
    const ViewDrawing d = Draw(400);
    ASSERT_TRUE(d.scrollTo);
    EXPECT_LE(*d.scrollTo, 0);
    EXPECT_TRUE(d.markers.empty());
    EXPECT_FALSE(Draw(400).scrollTo);  // once only
}

}  // namespace
