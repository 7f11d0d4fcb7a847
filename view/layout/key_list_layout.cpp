// SPDX-License-Identifier: MIT
#include "view/layout/key_list_layout.h"

#include <algorithm>

#include "doc/ovrin_doc.h"

void CKeyListLayout::Update(const COvrinDoc& doc, int right, const TextMetrics& metrics,
                            const std::string& fontKey)
{
    if (doc.m_nTableVersion == m_nTableVersion && doc.m_nCount == m_nCount && right == m_nRight &&
        metrics.lineHeight == m_nLineHeight && fontKey == m_strFontKey)
        return;
    m_nTableVersion = doc.m_nTableVersion;
    m_nCount = doc.m_nCount;
    m_nRight = right;
    m_nLineHeight = metrics.lineHeight;
    m_strFontKey = fontKey;

    m_arrKeyBottoms.resize(static_cast<std::size_t>(std::max(doc.m_nCount, 0)));
    int y = 0;
    for (int i = 0; i < doc.m_nCount; ++i) {
        y += MeasureTextHeight(doc.m_arrKeyWords[i], right - 15, metrics);
        m_arrKeyBottoms[i] = y;
    }
}

int CKeyListLayout::BlockAt(int y) const
{
    auto it = std::upper_bound(m_arrKeyBottoms.begin(), m_arrKeyBottoms.end(), y);
    return it == m_arrKeyBottoms.end() ? -1 : static_cast<int>(it - m_arrKeyBottoms.begin());
}
