// SPDX-License-Identifier: MIT
#include "core/layout/shown_entry.h"

#include <algorithm>

#include "core/document/ovrin_doc.h"

ViewShows ShownBy(const COvrinDoc& doc)
{
    if (doc.m_nCount <= 0)
        return ViewShows::Welcome;
    return doc.m_bKeyList ? ViewShows::KeyList : ViewShows::Entry;
}

int ShownEntry(const COvrinDoc& doc)
{
    if (doc.m_nCount <= 0)
        return -1;
    return std::clamp(doc.m_nCurrent, 0, doc.m_nCount - 1);
}

ShownHit FindHitShown(const COvrinDoc& doc)
{
    const int i = ShownEntry(doc);
    if (i < 0 || doc.m_nFindEntry != i)
        return {};
    if (doc.m_nFindPos < 0)
        return {ShownHit::Where::KeyWords, 0};
    const std::size_t size = doc.m_arrDescriptions[static_cast<std::size_t>(i)].size();
    return {ShownHit::Where::Description, std::min(static_cast<std::size_t>(doc.m_nFindPos), size)};
}
