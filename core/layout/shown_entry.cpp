// SPDX-License-Identifier: MIT
#include "core/layout/shown_entry.h"

#include <algorithm>

#include "core/document/ovrin_doc.h"

ViewShows ShownBy(const COvrinDoc& doc)
{
    if (doc.Count() <= 0)
        return ViewShows::Welcome;
    return doc.ShowsKeyList() ? ViewShows::KeyList : ViewShows::Entry;
}

int ShownEntry(const COvrinDoc& doc)
{
    if (doc.Count() <= 0)
        return -1;
    return std::clamp(doc.Current(), 0, doc.Count() - 1);
}

ShownHit FindHitShown(const COvrinDoc& doc)
{
    const int i = ShownEntry(doc);
    if (i < 0 || doc.Hit().entry != i)
        return {};
    if (doc.Hit().pos < 0)
        return {ShownHit::Where::KeyWords, 0};
    const std::size_t size = doc.Descriptions()[static_cast<std::size_t>(i)].size();
    return {ShownHit::Where::Description, std::min(static_cast<std::size_t>(doc.Hit().pos), size)};
}
