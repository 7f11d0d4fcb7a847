// SPDX-License-Identifier: MIT
#include "core/layout/wrap_index.h"

#include <algorithm>

void CWrapIndex::Update(std::string_view text, int width, const TextMetrics& metrics, const std::string& fontKey)
{
    if (m_bMade && text.data() == m_pText && text.size() == m_nSize && width == m_nWidth &&
        fontKey == m_strFontKey)
        return;
    m_pText = text.data();
    m_nSize = text.size();
    m_nWidth = width;
    m_bMade = true;
    m_strFontKey = fontKey;

    m_arrOffsets.clear();
    m_nLines = 0;
    ForEachWrappedLine(text, width, metrics, [this](const WrappedLine& line) {
        if (m_nLines % kEvery == 0)
            m_arrOffsets.push_back(line.begin);
        ++m_nLines;
        return true;
    });
}

CWrapIndex::LineStart CWrapIndex::StartAtOrBefore(std::size_t line) const
{
    if (m_arrOffsets.empty())
        return {};
    const std::size_t k = std::min(line / kEvery, m_arrOffsets.size() - 1);
    return {k * kEvery, m_arrOffsets[k]};
}

std::size_t CWrapIndex::LinesOfPrefix(std::string_view text, std::size_t end, const TextMetrics& metrics) const
{
    const std::string_view prefix = text.substr(0, end);
    // A line's breaks depend on the bytes up to where the next line begins
    // and on at most width + 2 bytes after its own start (every character
    // is at least one unit wide). So every line that begins that far before
    // the prefix's end wraps in the prefix as in the whole text, and the
    // lines before it too.
    const std::size_t reach = static_cast<std::size_t>(std::max(m_nWidth, 0)) + 2;
    std::size_t k = 0;
    while (k + 1 < m_arrOffsets.size() && m_arrOffsets[k + 1] + reach <= prefix.size())
        ++k;
    std::size_t lines = k * kEvery;
    ForEachWrappedLineFrom(prefix, m_arrOffsets.empty() ? 0 : m_arrOffsets[k], m_nWidth, metrics,
                           [&lines](const WrappedLine&) {
                               ++lines;
                               return true;
                           });
    return lines;
}
