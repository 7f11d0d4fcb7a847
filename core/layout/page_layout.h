// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/layout/text_wrap.h"

class COvrinDoc;

// A rectangle in twips as the printer sees it: y is 0 at the top of the
// printable area and grows upward, so everything below the top is negative.
struct PageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The horizontal edges of a printed page, all derived from the right edge
// of the printable area, shared by the layout (which measures) and the
// printing glue (which draws).
struct PageColumns final {
    int frameLeft = 900;   // left edge of both heading frames
    int textLeft = 1040;   // left edge of all text
    int xRight = 0;        // right edge of the frames
    int xSplit = 0;        // between the key-word frame and the date frame
    int headingRight = 0;  // right edge of the key words (and of measuring)
    int bodyRight = 0;     // right edge of the printed body
};
PageColumns ColumnsOf(const PageRect& page);

// Splits the current entry's description, or the list of all key words,
// into the body texts of printed pages below a framed heading. Without a
// printer the lines are counted, not measured, against the page size and
// line height of the last print job.
class CPageLayout final {
public:
    std::vector<std::string> m_arrPages;  // element p - 1: body text of page p
    int m_nPages = 1;
    bool m_bHeadingTooLong = false;       // no body line fits below the heading
    int m_nPrintLineHeight = 215;         // h, in twips
    PageRect m_rectPage{0, 0, 11323, -16236};

    // nullptr: the screen estimate. Otherwise the printer font's metrics in
    // twips (m_nPrintLineHeight must already hold its line height).
    void LayoutPages(const COvrinDoc& doc, const TextMetrics* printer);

    // The body of page nPage (1-based); empty for a page beyond the last one,
    // so a page range longer than the layout never reads past m_arrPages.
    std::string_view PageText(int nPage) const;
};

// Heading of the printed pages: the current entry's key words, or "Key List:".
std::string PageHeading(const COvrinDoc& doc);
