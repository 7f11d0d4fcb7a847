// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../common/test_documents.h"
#include "fake_host.h"
#include "core/layout/page_layout.h"

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

// A printed page whose one heading line ends at -8 lines, `below` above its bottom; body: `below` - 5.
PageRect PrinterPage(int below) { return {0, 0, 11323, -8 * 215 - below * 215}; }

int Lines(std::string_view page)
{
    return static_cast<int>(std::count(page.begin(), page.end(), '\n'));
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
        SetEntries(doc, {{keyWords, description}});
    }
    operator const COvrinDoc&() const { return doc; }
};
}  // namespace

// The page split neither shifts lines between pages, loses text, leaves empty pages nor fails to end,
// also with over-long lines or pages with no room for one; pages break only after a line break.
TEST(PageLayout, SplitsIntoWholeLinesWithNothingLost)
{
    // On paper 94+ characters count as their wraps in the 62-character heading column: 2 each here.
    std::string longLines;
    for (int i = 0; i < 40; ++i)
        longLines += std::string(100, 'w') + "\r\n";
    const std::string huge(20000, 'x');  // more than the 66 lines of a page
    struct Case {
        const char* name;
        std::string description;
        int printerBelow;  // 0: the screen estimate
        std::vector<int> linesPerPage;
    };
    const Case cases[] = {
        {"150 lines on paper", TenCharLines(150), 71, {66, 66, 18}},
        {"long lines count as measured", longLines, 71, {33, 7}},
        {"a line longer than a page", "a\r\n" + huge + "\r\nb\r\n", 71, {1, 1, 1}},
        {"no room below the heading: one line a page", "1\r\n2\r\n3", 5, {1, 1, 0}},
    };
    const TextMetrics m = Printer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPageLayout pages;
        if (c.printerBelow != 0)
            pages.m_rectPage = PrinterPage(c.printerBelow);
        pages.LayoutPages(OneEntry("k", c.description), c.printerBelow != 0 ? &m : nullptr);
        EXPECT_FALSE(pages.m_bHeadingTooLong);
        ASSERT_EQ(pages.m_nPages, static_cast<int>(c.linesPerPage.size()));
        std::string joined;
        for (int p = 1; p <= pages.m_nPages; ++p) {
            const std::string_view page = pages.PageText(p);
            EXPECT_EQ(Lines(page), c.linesPerPage[p - 1]) << "page " << p;
            EXPECT_FALSE(page.empty()) << "page " << p;
            if (p < pages.m_nPages) {
                EXPECT_EQ(page.back(), '\n') << "page " << p;
            }
            joined += page;
        }
        EXPECT_EQ(joined, c.description);
    }
}

// The heading's screen height estimate: the print dialog's page range hangs on where its count changes.
TEST(PageLayout, ScreenEstimateDependsOnHeadingLength)
{
    const auto firstPageLines = [](std::size_t headingLength) {
        const OneEntry doc(std::string(headingLength, 'k'), TenCharLines(200));
        CPageLayout pages;
        pages.LayoutPages(doc, nullptr);
        return Lines(pages.PageText(1));
    };
    for (const auto& [length, lines] : {std::pair<std::size_t, int>{18, 66}, {19, 65}, {96, 65}, {97, 64}})
        EXPECT_EQ(firstPageLines(length), lines) << length;
}

// Empty document, empty description and key list give exactly the pages the printer draws from.
TEST(PageLayout, EmptyDocumentEmptyDescriptionAndKeyList)
{
    COvrinDoc empty(g_host);
    CPageLayout pages;
    pages.LayoutPages(empty, nullptr);
    EXPECT_EQ(pages.m_nPages, 1);
    EXPECT_EQ(pages.m_arrPages, std::vector<std::string>{" "});

    pages.LayoutPages(OneEntry("key", ""), nullptr);
    EXPECT_EQ(pages.m_nPages, 1);
    EXPECT_EQ(pages.m_arrPages, std::vector<std::string>{""});

    COvrinDoc list(g_host);
    FillTable(list, {"alpha", "beta", "gamma"});
    list.ShowKeyList(true);
    const TextMetrics m = Printer();
    pages.LayoutPages(list, &m);
    EXPECT_EQ(pages.m_nPages, 1);
    EXPECT_EQ(pages.PageText(1), "alpha\n\rbeta\n\rgamma\n\r");
}

// A heading with no room below keeps the previous pages; a page past the last gives nothing, no out-of-range read.
TEST(PageLayout, HeadingTooLongAndPagesBeyondTheLast)
{
    CPageLayout pages;
    pages.LayoutPages(OneEntry("k", "one\r\ntwo"), nullptr);
    ASSERT_EQ(pages.m_nPages, 1);
    EXPECT_TRUE(pages.PageText(2).empty());

    pages.m_rectPage = {0, 0, 11323, -1000};
    pages.LayoutPages(OneEntry(std::string(400, 'k'), "other"), nullptr);
    EXPECT_TRUE(pages.m_bHeadingTooLong);
    EXPECT_EQ(pages.m_nPages, 1);
    EXPECT_EQ(pages.PageText(1), "one\r\ntwo");
}
