// SPDX-License-Identifier: MIT
#include "view/layout/wrap_index.h"

#include <algorithm>

void CWrapIndex::Update(std::string_view text, unsigned version, int width, const TextMetrics& metrics,
                        const std::string& fontKey)
{
    if (m_nWidth >= 0 && text.data() == m_pText && text.size() == m_nSize && version == m_nVersion &&
        width == m_nWidth && fontKey == m_strFontKey)
        return;
    m_pText = text.data();
    m_nSize = text.size();
    m_nVersion = version;
    m_nWidth = width;
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
