// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "doc_test_support.h"
#include "view/layout/page_layout.h"

namespace {

// A fixed-pitch printer font: 120 twips a character, 215 twips a line.
TextMetrics Printer()
{
    TextMetrics m;
    m.width = [](std::string_view s) { return static_cast<int>(s.size()) * 120; };
    m.lineHeight = 215;
    m.avgCharWidth = 120;
    return m;
}

int Lines(std::string_view page)
{
    return static_cast<int>(std::count(page.begin(), page.end(), '\n'));
}

std::string Joined(const CPageLayout& pages)
{
    std::string all;
    for (const std::string& p : pages.m_arrPages)
        all += p;
    return all;
}

std::string TenCharLines(int n)
{
    std::string body;
    for (int i = 0; i < n; ++i)
        body += "0123456789\r\n";
    return body;
}

FakeHost g_host;

// One entry with the given key words and description, current.
struct OneEntry final {
    COvrinDoc doc{g_host};
    OneEntry(const std::string& keyWords, const std::string& description)
    {
        FillTable(doc, {keyWords});
        doc.m_arrDescriptions[0] = description;
    }
    operator const COvrinDoc&() const { return doc; }
};

}  // namespace

// Guards the page split itself: wrong line counting or an off-by-one at the
// page end shifts lines between pages or loses the remainder.
TEST(PageLayout, HundredFiftyLinesSplitAtSixtySixPerPage)
{
    const OneEntry e("short", TenCharLines(150));
    const COvrinDoc& doc = e;

    CPageLayout screen;
    screen.LayoutPages(doc, nullptr);
    ASSERT_EQ(screen.m_nPages, 3);
    EXPECT_EQ(Lines(screen.PageText(1)), 66);
    EXPECT_EQ(Lines(screen.PageText(2)), 66);
    EXPECT_EQ(Lines(screen.PageText(3)), 18);
    EXPECT_EQ(Joined(screen), doc.m_arrDescriptions[0]);

    // With the printer font one heading line ends at -8h; a page 71 lines
    // below that leaves 66 for the body.
    CPageLayout printer;
    printer.m_rectPage = {0, 0, 11323, -8 * 215 - 71 * 215};
    const TextMetrics m = Printer();
    printer.LayoutPages(doc, &m);
    ASSERT_EQ(printer.m_nPages, 3);
    EXPECT_EQ(Lines(printer.PageText(1)), 66);
    EXPECT_EQ(Lines(printer.PageText(2)), 66);
    EXPECT_EQ(Lines(printer.PageText(3)), 18);
    EXPECT_EQ(Joined(printer), doc.m_arrDescriptions[0]);
}

// Guards the screen estimate of the heading's height: the page range offered
// by the print dialog depends on where the heading length changes the count.
TEST(PageLayout, ScreenEstimateDependsOnHeadingLength)
{
    const auto firstPageLines = [](std::size_t headingLength) {
        const OneEntry doc(std::string(headingLength, 'k'), TenCharLines(200));
        CPageLayout pages;
        pages.LayoutPages(doc, nullptr);
        return Lines(pages.PageText(1));
    };
    EXPECT_EQ(firstPageLines(1), 66);
    EXPECT_EQ(firstPageLines(18), 66);
    EXPECT_EQ(firstPageLines(19), 65);
    EXPECT_EQ(firstPageLines(96), 65);
    EXPECT_EQ(firstPageLines(97), 64);
}

// Guards the special bodies: an empty document, an empty description and the
// key list must each give exactly the pages the printer draws from.
TEST(PageLayout, EmptyDocumentEmptyDescriptionAndKeyList)
{
    COvrinDoc empty(g_host);
    CPageLayout pages;
    pages.LayoutPages(empty, nullptr);
    EXPECT_EQ(pages.m_nPages, 1);
    ASSERT_EQ(pages.m_arrPages.size(), 1u);
    EXPECT_EQ(pages.m_arrPages[0], " ");

    const OneEntry blank("key", "");
    pages.LayoutPages(blank, nullptr);
    EXPECT_EQ(pages.m_nPages, 1);
    ASSERT_EQ(pages.m_arrPages.size(), 1u);
    EXPECT_EQ(pages.m_arrPages[0], "");
    EXPECT_EQ(PageHeading(blank), "key");

    COvrinDoc list(g_host);
    FillTable(list, {"alpha", "beta", "gamma"});
    list.m_bKeyList = true;
    const TextMetrics m = Printer();
    pages.LayoutPages(list, &m);
    EXPECT_EQ(PageHeading(list), "Key List:");
    EXPECT_EQ(pages.m_nPages, 1);
    EXPECT_EQ(pages.PageText(1), "alpha\n\rbeta\n\rgamma\n\r");
}

// Guards the termination of the layout: a line longer than a page, or a page
// with room for no line at all, must still advance and end the job with no
// text lost and no empty page.
TEST(PageLayout, OverlongLineAndNoRoomStillAdvance)
{
    const TextMetrics m = Printer();
    // About 90 characters per measured line: 20000 of them count for more
    // than the 66 lines a page holds.
    const std::string huge(20000, 'x');
    const OneEntry doc("k", "a\r\n" + huge + "\r\nb\r\n");
    CPageLayout pages;
    pages.m_rectPage = {0, 0, 11323, -8 * 215 - 71 * 215};
    pages.LayoutPages(doc, &m);
    ASSERT_EQ(pages.m_nPages, 3);
    EXPECT_EQ(pages.PageText(1), "a\r\n");
    EXPECT_EQ(pages.PageText(2), huge + "\r\n");
    EXPECT_EQ(pages.PageText(3), "b\r\n");

    // Five lines below the heading: N = 0, one line a page.
    CPageLayout none;
    none.m_rectPage = {0, 0, 11323, -8 * 215 - 5 * 215};
    const OneEntry three("k", "1\r\n2\r\n3");
    none.LayoutPages(three, &m);
    EXPECT_FALSE(none.m_bHeadingTooLong);
    ASSERT_EQ(none.m_nPages, 3);
    EXPECT_EQ(Joined(none), "1\r\n2\r\n3");
    for (const std::string& p : none.m_arrPages)
        EXPECT_FALSE(p.empty());
}

// Guards the blank-page rule and the reading of page numbers beyond the
// layout: a heading with no room below keeps the previous pages, and a page
// past the last gives nothing instead of reading out of range.
TEST(PageLayout, HeadingTooLongAndPagesBeyondTheLast)
{
    CPageLayout pages;
    pages.LayoutPages(OneEntry("k", "one\r\ntwo"), nullptr);
    ASSERT_EQ(pages.m_nPages, 1);
    EXPECT_TRUE(pages.PageText(2).empty());
    EXPECT_TRUE(pages.PageText(0).empty());

    pages.m_rectPage = {0, 0, 11323, -1000};
    pages.LayoutPages(OneEntry(std::string(400, 'k'), "other"), nullptr);
    EXPECT_TRUE(pages.m_bHeadingTooLong);
    EXPECT_EQ(pages.m_nPages, 1);
    EXPECT_EQ(pages.PageText(1), "one\r\ntwo");
}

// Guards the measuring of long lines: with a printer a line of M or more
// characters counts as the lines it wraps to in the heading column.
TEST(PageLayout, LongLinesCountAsMeasured)
{
    const TextMetrics m = Printer();
    // M = 11323 * 10 / 1200 = 94; the heading column is 8583 - 1040 = 7543
    // twips wide, 62 characters, so a 100-character line counts as 2.
    std::string body;
    for (int i = 0; i < 40; ++i)
        body += std::string(100, 'w') + "\r\n";
    CPageLayout pages;
    pages.m_rectPage = {0, 0, 11323, -8 * 215 - 71 * 215};
    pages.LayoutPages(OneEntry("k", body), &m);
    ASSERT_EQ(pages.m_nPages, 2);
    EXPECT_EQ(Lines(pages.PageText(1)), 33);
    EXPECT_EQ(Lines(pages.PageText(2)), 7);
}
