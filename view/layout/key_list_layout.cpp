// SPDX-License-Identifier: MIT
#include "view/layout/key_list_layout.h"

#include <algorithm>

#include "doc/ovrin_doc.h"

void CKeyListLayout::Update(const COvrinDoc& doc, int right, const TextMetrics& metrics,
                            const std::string& fontKey)
{
    const bool sameGeometry = right == m_nRight && metrics.lineHeight == m_nLineHeight && fontKey == m_strFontKey;
    if (sameGeometry && doc.m_nTableVersion == m_nTableVersion && doc.m_nCount == m_nCount)
        return;
    if (sameGeometry && MendLastChange(doc, metrics)) {
        m_nTableVersion = doc.m_nTableVersion;
        m_nCount = doc.m_nCount;
        return;
    }
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

// Applies the document's last change when it is the only one since these
// bottoms were made; false when they must be made again.
bool CKeyListLayout::MendLastChange(const COvrinDoc& doc, const TextMetrics& metrics)
{
    using Kind = COvrinDoc::TableChange::Kind;
    const COvrinDoc::TableChange& change = doc.m_lastTableChange;
    if (change.version != doc.m_nTableVersion || m_nTableVersion + 1 != doc.m_nTableVersion)
        return false;
    const int growth = change.kind == Kind::Inserted ? 1 : change.kind == Kind::Removed ? -1 : 0;
    if (m_nCount < 0 || doc.m_nCount != m_nCount + growth)
        return false;
    const auto inTable = [](int i, int count) { return i >= 0 && i < count; };
    const auto height = [&] { return MeasureTextHeight(doc.m_arrKeyWords[change.entry], m_nRight - 15, metrics); };
    switch (change.kind) {
    case Kind::Inserted:
        if (!inTable(change.entry, doc.m_nCount))
            return false;
        InsertBlock(change.entry, height());
        return true;
    case Kind::Removed:
        if (!inTable(change.entry, m_nCount))
            return false;
        RemoveBlock(change.entry);
        return true;
    case Kind::Rewritten:
        if (!inTable(change.from, m_nCount) || !inTable(change.entry, doc.m_nCount))
            return false;
        RemoveBlock(change.from);
        InsertBlock(change.entry, height());
        return true;
    case Kind::Replaced:
        return false;
    }
    return false;
}

void CKeyListLayout::InsertBlock(int i, int height)
{
    const auto at = m_arrKeyBottoms.insert(m_arrKeyBottoms.begin() + i, TopOf(i) + height);
    for (auto it = at + 1; it != m_arrKeyBottoms.end(); ++it)
        *it += height;
}

void CKeyListLayout::RemoveBlock(int i)
{
    const int height = m_arrKeyBottoms[i] - TopOf(i);
    const auto after = m_arrKeyBottoms.erase(m_arrKeyBottoms.begin() + i);
    for (auto it = after; it != m_arrKeyBottoms.end(); ++it)
        *it -= height;
}

int CKeyListLayout::BlockAt(int y) const
{
    auto it = std::upper_bound(m_arrKeyBottoms.begin(), m_arrKeyBottoms.end(), y);
    return it == m_arrKeyBottoms.end() ? -1 : static_cast<int>(it - m_arrKeyBottoms.begin());
}
