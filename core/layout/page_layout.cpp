// SPDX-License-Identifier: MIT
#include "core/layout/page_layout.h"

#include <algorithm>
#include <cstddef>

#include "core/document/ovrin_doc.h"
#include "core/text/text_form.h"
#include "core/layout/shown_entry.h"

namespace {

// Characters per line for the estimate and the threshold for measuring.
constexpr int kDefaultCharsPerLine = 78;

std::string Body(const COvrinDoc& doc)
{
    if (!doc.ShowsKeyList()) {
        const int i = ShownEntry(doc);
        return i >= 0 ? std::string(doc.Descriptions()[static_cast<std::size_t>(i)]) : std::string();
    }
    std::string body;
    for (const std::string_view k : doc.KeyWords()) {
        body += k;
        body += "\n\r";  // line feed first, then carriage return: the key list's own order
    }
    return body;
}

// A carriage return that closes a line is part of the line for counting,
// but it is not a second line break when the line is measured.
std::string_view WithoutTrailingCr(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

}  // namespace

PageColumns ColumnsOf(const PageRect& page)
{
    PageColumns c;
    c.xRight = page.right - 400;
    c.xSplit = c.xRight - 2000;
    c.headingRight = c.xSplit - 100;
    c.bodyRight = c.xRight - 100;
    return c;
}

std::string PageHeading(const COvrinDoc& doc)
{
    if (doc.ShowsKeyList())
        return "Key List:";
    const int i = ShownEntry(doc);
    return i >= 0 ? std::string(doc.KeyWords()[static_cast<std::size_t>(i)]) : std::string();
}

std::string_view CPageLayout::PageText(int nPage) const
{
    if (nPage < 1 || static_cast<std::size_t>(nPage) > m_arrPages.size())
        return {};
    return m_arrPages[static_cast<std::size_t>(nPage - 1)];
}

void CPageLayout::LayoutPages(const COvrinDoc& doc, const TextMetrics* printer)
{
    m_bHeadingTooLong = false;
    if (ShownBy(doc) == ViewShows::Welcome) {
        m_arrPages.assign(1, " ");
        m_nPages = 1;
        return;
    }

    const std::string heading = PageHeading(doc);
    const std::string body = Body(doc);
    // A printer that reports no line height cannot be laid out against; fall
    // back to one twip so that the divisions below stay defined.
    const int h = std::max(m_nPrintLineHeight, 1);
    const PageColumns cols = ColumnsOf(m_rectPage);
    const int measureWidth = cols.headingRight - cols.textLeft;

    int charsPerLine = kDefaultCharsPerLine;
    int y = 0;
    if (printer) {
        const int w = printer->width("0123456789");
        if (w > 0)
            charsPerLine = std::max((m_rectPage.right - m_rectPage.left) * 10 / w, 1);
        y = -2 * h - MeasureTextHeight(heading, measureWidth, *printer) - 5 * h;
    } else {
        const int n = static_cast<int>(heading.size());
        y = -(4 + (59 + n) / 78) * h;
    }

    const int linesPerPage = (y - m_rectPage.bottom) / h - 5;
    if (linesPerPage < 0) {
        m_bHeadingTooLong = true;
        return;
    }
    if (body.empty()) {
        m_arrPages.assign(1, std::string());
        m_nPages = 1;
        return;
    }

    const auto lineCount = [&](std::string_view line) {
        const int p = static_cast<int>(line.size());
        if (printer && p >= charsPerLine) {
            const int height = MeasureTextHeight(WithoutTrailingCr(line), measureWidth, *printer);
            return std::max(height / h, 1);
        }
        return p / (charsPerLine + 1) + 1;
    };

    // The layout always advances: a page that has taken nothing yet takes its
    // first line whole even when that line alone counts for more than a page
    // (or the page has room for no line at all, N = 0). Such a line prints
    // past the page bottom rather than stopping the job; every page carries
    // at least one line, so the number of pages never exceeds the number of
    // lines and the loop ends.
    m_arrPages.clear();
    std::string_view rest = body;
    while (!rest.empty()) {
        int used = 0;
        std::size_t cut = 0;
        bool last = false;
        while (used < linesPerPage || cut == 0) {
            const std::size_t lf = rest.find('\n', cut);
            if (lf == std::string_view::npos) {
                last = true;
                break;
            }
            const int count = lineCount(rest.substr(cut, lf - cut));
            if (used + count > linesPerPage && cut > 0)
                break;
            used += count;
            cut = lf + 1;
        }
        const std::size_t take = last ? rest.size() : cut;
        m_arrPages.emplace_back(rest.substr(0, take));
        rest.remove_prefix(take);
    }
    m_nPages = static_cast<int>(m_arrPages.size());
}
