// SPDX-License-Identifier: MIT
#include "core/layout/view_drawing.h"

#include <algorithm>

#include "core/document/ovrin_doc.h"
#include "core/layout/description_layout.h"
#include "core/layout/key_list_layout.h"
#include "core/layout/shown_entry.h"
#include "core/layout/wrap_index.h"

bool CHitScrollGuard::MayScroll(int scrollY, int entry, int pos, int hitTop)
{
    const bool sameChain = entry == m_nEntry && pos == m_nPos && hitTop == m_nHitTop &&
                           scrollY == m_nLastPos;
    if (!sameChain) {
        m_nEntry = entry;
        m_nPos = pos;
        m_nHitTop = hitTop;
        m_nChain = 0;
    }
    if (m_nChain >= kMaxChain)
        return false;
    ++m_nChain;
    return true;
}

namespace {

constexpr int kTextLeft = 15;
constexpr int kFrameLeft = 5;

void DrawWelcome(ViewDrawing& out, const ViewColumns& columns, int L)
{
    out.frames.push_back({kFrameLeft, L, columns.right, 8 * L});
    out.texts.push_back({g_strWelcomeText, kTextLeft, 2 * L, columns.right, false, 0, 6 * L});
    out.contentHeight = 6 * L;
}

void DrawKeyList(ViewDrawing& out, const COvrinDoc& doc, const ViewGeometry& geometry,
                 const ViewColumns& columns, CKeyListLayout& keyList)
{
    keyList.Update(doc, columns.right, geometry.metrics, geometry.fontKey);
    out.contentHeight = keyList.ContentHeight();
    out.scrollTo = keyList.Follow(doc.Current(), geometry.scrollY, geometry.shownHeight);
    // Only the blocks that reach into the window are drawn.
    const int bottom = geometry.scrollY + geometry.windowHeight;
    int i = keyList.BlockAt(geometry.scrollY);
    if (i < 0)
        return;
    for (; i < doc.Count() && keyList.TopOf(i) < bottom; ++i) {
        const int top = keyList.TopOf(i);
        if (i == doc.Current())
            out.markers.push_back(top);
        out.texts.push_back({doc.KeyWords()[i], kTextLeft, top, columns.right, false});
    }
}

void DrawDescription(ViewDrawing& out, const COvrinDoc& doc, const ViewGeometry& geometry,
                     const ViewColumns& columns, CWrapIndex& descriptionLines, CHitScrollGuard& guard)
{
    const int L = geometry.metrics.lineHeight;
    const auto i = static_cast<std::size_t>(ShownEntry(doc));
    const ShownHit hit = FindHitShown(doc);
    const bool hitInThisEntry = hit.where != ShownHit::Where::None;
    const int findPos = hit.where == ShownHit::Where::Description ? static_cast<int>(hit.pos) : -1;
    const std::string_view description = doc.Descriptions()[i];
    descriptionLines.Update(description, columns.right - kTextLeft, geometry.metrics, geometry.fontKey);
    const DescriptionLayout layout =
        LayOutDescription(doc.KeyWords()[i], description, descriptionLines, findPos, columns, geometry.metrics);

    out.frames.push_back({kFrameLeft, L, columns.split, layout.frameBottom});
    out.texts.push_back({doc.KeyWords()[i], kTextLeft, 2 * L, columns.split - 5, false, 0,
                         layout.keyWordsBottom});
    out.frames.push_back({columns.split, L, columns.right, layout.frameBottom});
    // The frames are as high as the key words: a longer date is cut off.
    out.texts.push_back({doc.Dates()[i], columns.split + 5, 2 * L, columns.right - 5, true, 0,
                         layout.keyWordsBottom});
    // The description is drawn from an indexed line at most a few hundred
    // lines above the window, not from its first line.
    const int firstInView = std::max(0, geometry.scrollY - layout.descriptionTop) / std::max(L, 1);
    const CWrapIndex::LineStart start = descriptionLines.StartAtOrBefore(static_cast<std::size_t>(firstInView));
    out.texts.push_back({description, kTextLeft, layout.descriptionTop + static_cast<int>(start.line) * L,
                         columns.right, false, start.offset});
    out.contentHeight = layout.contentHeight;

    std::optional<int> hitTop = layout.hitTop;
    if (hitTop)
        out.markers.push_back(*hitTop);
    else if (guard.HasNewHit() && hitInThisEntry)
        hitTop = 0;  // a hit in the key words: back to the top, once
    if (!hitTop)
        return;
    guard.NewHitShown();
    const std::optional<int> target =
        HitScrollTarget(geometry.scrollY, geometry.windowHeight, L, *hitTop, out.contentHeight);
    if (target && guard.MayScroll(geometry.scrollY, doc.Hit().entry, findPos, *hitTop))
        out.scrollTo = *target;
}

}  // namespace

ViewDrawing DrawView(const COvrinDoc& doc, const ViewGeometry& geometry, CKeyListLayout& keyList,
                     CWrapIndex& descriptionLines, CHitScrollGuard& guard)
{
    ViewDrawing out;
    const int L = geometry.metrics.lineHeight;
    const ViewColumns columns = ColumnsFor(doc.IsDinA4(), geometry.windowWidth);

    // The key list shown again brings the current entry into view.
    if (ShownBy(doc) != ViewShows::KeyList)
        keyList.Unfollow();
    switch (ShownBy(doc)) {
    case ViewShows::Welcome: DrawWelcome(out, columns, L); break;
    case ViewShows::KeyList: DrawKeyList(out, doc, geometry, columns, keyList); break;
    case ViewShows::Entry: DrawDescription(out, doc, geometry, columns, descriptionLines, guard); break;
    }

    out.contentWidth = columns.width;
    out.pageWidth = columns.width / 2;
    out.pageHeight = geometry.windowHeight;
    out.lineWidth = columns.width / 100;
    out.lineHeight = L;
    out.status = PositionText(doc.Current(), doc.Count());
    return out;
}
