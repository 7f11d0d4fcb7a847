// SPDX-License-Identifier: MIT
#include "core/layout/key_list_layout.h"

#include <algorithm>
#include <utility>

#include "core/document/ovrin_doc.h"

void CKeyListLayout::TableChanged(const TableChange& change)
{
    // Add, Edit, Delete and Undo are commands too: the entry they leave
    // current comes into view, even at the index of the one before.
    m_nFollowed = -1;
    if (m_since == Since::Nothing && change.kind != TableChange::Kind::Replaced) {
        m_since = Since::OneChange;
        m_change = change;
        return;
    }
    m_since = Since::Remake;
}

void CKeyListLayout::Update(const COvrinDoc& doc, int right, const TextMetrics& metrics,
                            const std::string& fontKey)
{
    const bool sameGeometry = right == m_nRight && metrics.lineHeight == m_nLineHeight && fontKey == m_strFontKey;
    const Since since = std::exchange(m_since, Since::Nothing);
    // A block for every entry, whatever was heard: drawing reads the
    // bottoms of all entries it shows.
    const bool sameCount = m_arrKeyBottoms.size() == static_cast<std::size_t>(std::max(doc.Count(), 0));
    if (sameGeometry && since == Since::Nothing && sameCount)
        return;
    if (sameGeometry && since == Since::OneChange && Mend(m_change, doc, metrics))
        return;
    m_nRight = right;
    m_nLineHeight = metrics.lineHeight;
    m_strFontKey = fontKey;

    m_arrKeyBottoms.resize(static_cast<std::size_t>(std::max(doc.Count(), 0)));
    int y = 0;
    for (int i = 0; i < doc.Count(); ++i) {
        y += MeasureTextHeight(doc.KeyWords()[i], right - 15, metrics);
        m_arrKeyBottoms[i] = y;
    }
}

// Applies the one change since these bottoms were made; false when they
// must be made again.
bool CKeyListLayout::Mend(const TableChange& change, const COvrinDoc& doc, const TextMetrics& metrics)
{
    using Kind = TableChange::Kind;
    const int count = static_cast<int>(m_arrKeyBottoms.size());
    const int growth = change.kind == Kind::Inserted ? 1 : change.kind == Kind::Removed ? -1 : 0;
    if (doc.Count() != count + growth)
        return false;
    const auto inTable = [](int i, int n) { return i >= 0 && i < n; };
    const auto height = [&] { return MeasureTextHeight(doc.KeyWords()[change.entry], m_nRight - 15, metrics); };
    switch (change.kind) {
    case Kind::Inserted:
        if (!inTable(change.entry, doc.Count()))
            return false;
        InsertBlock(change.entry, height());
        return true;
    case Kind::Removed:
        if (!inTable(change.entry, count))
            return false;
        RemoveBlock(change.entry);
        return true;
    case Kind::Rewritten:
        if (!inTable(change.from, count) || !inTable(change.entry, doc.Count()))
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

std::optional<int> CKeyListLayout::Follow(int current, int scrollY, int shownHeight)
{
    if (current == m_nFollowed || current < 0 || current >= static_cast<int>(m_arrKeyBottoms.size()))
        return std::nullopt;
    m_nFollowed = current;
    const int top = TopOf(current);
    const int bottom = m_arrKeyBottoms[current];
    if (top < scrollY)
        return top;
    // A block taller than the window shows its first lines.
    if (bottom > scrollY + shownHeight)
        return std::min(top, bottom - shownHeight);
    return std::nullopt;
}
