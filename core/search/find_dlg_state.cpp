// SPDX-License-Identifier: MIT
#include "core/search/find_dlg_state.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "core/search/find_match.h"
#include "core/document/ovrin_doc.h"

const std::string g_strNoMoreHit = "no (more) hit";

namespace {

// The last hit becomes the current entry; the views redraw, and only then is
// the hit flagged as new, so the description view scrolls to it once.
void MoveToHit(COvrinDoc& doc, int entry, int pos)
{
    doc.m_nFindEntry = entry;
    doc.m_nCurrent = entry;
    doc.m_nFindPos = pos;
    doc.UpdateAllViews();
    doc.m_bNewHit = true;
}

// Whether the needle may be in any text of the table, for a search from
// entry `start` that walks `entries` of them. A search that finds nothing
// reads every text it walks, and a sweep over the tables' storage reads
// them all in a fraction of the time a walk from entry to entry takes: less
// than the walk over half of them. The blocks of key words and descriptions
// the sweep found clean go into clean[0] and clean[1].
bool MayBeInTable(const CFoldedNeedle& needle, const COvrinDoc& doc, bool inDescriptions, int start, int entries,
                  bool backward, CSweptClean* clean)
{
    return 2 * entries < doc.m_nCount ||
           needle.MayBeInAny(doc.m_arrKeyWords, inDescriptions ? &doc.m_arrDescriptions : nullptr,
                             static_cast<std::size_t>(std::max(start, 0)), backward, clean);
}

// Whether both texts of entry i that a search reads lie in clean blocks.
bool Clean(const CSweptClean* clean, const COvrinDoc& doc, std::size_t i, bool inDescriptions)
{
    return clean[0].Holds(doc.m_arrKeyWords.RecordOf(i)) &&
           (!inDescriptions || clean[1].Holds(doc.m_arrDescriptions.RecordOf(i)));
}

}  // namespace

void CFindDlgState::OnFindNext()
{
    if (!m_pDoc)
        return;
    const CFoldedNeedle needle(m_strSearch);
    if (needle.empty())
        return;  // First's flag stays set for the next Next with a string
    COvrinDoc& doc = *m_pDoc;

    // First searches the whole document, entry 0's key words included; a
    // plain Next begins after its start entry's key words.
    bool keyWordsOfStart = false;
    if (m_bFromFirst) {
        m_bFromFirst = false;
        doc.m_nFindPos = -1;
        m_nSearchEntry = 0;
        keyWordsOfStart = true;
    } else {
        m_nSearchEntry = doc.m_nCurrent;
    }
    const int first = std::max(m_nSearchEntry, 0);
    CSweptClean clean[2];
    if (!MayBeInTable(needle, doc, m_bInDescriptions, first, doc.m_nCount - first, false, clean)) {
        // Where the walk would have passed an entry after its start.
        if (std::max(m_nSearchEntry + 1, 0) < doc.m_nCount)
            doc.m_nFindPos = -1;
        doc.ShowHint(g_strNoMoreHit);
        return;
    }

    // An entry index below 0 (nothing current) does not exist; the entries
    // after it are searched from their key words on.
    const bool skipClean = !clean[0].empty();
    for (int i = std::max(m_nSearchEntry, 0); i < doc.m_nCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        // The entries whose texts the sweep found clean are passed over
        // without a look at them.
        if (i > m_nSearchEntry && skipClean && Clean(clean, doc, at, m_bInDescriptions)) {
            doc.m_nFindPos = -1;
            continue;
        }
        if (i > m_nSearchEntry || keyWordsOfStart) {
            if (needle.IsIn(doc.m_arrKeyWords[static_cast<std::size_t>(i)])) {
                MoveToHit(doc, i, -1);
                return;
            }
            doc.m_nFindPos = -1;
        }
        if (m_bInDescriptions) {
            // Continue just after the last hit in this description; a stale
            // position past its end leaves nothing to search.
            const std::string_view text = doc.m_arrDescriptions[static_cast<std::size_t>(i)];
            const std::size_t from = static_cast<std::size_t>(static_cast<long long>(doc.m_nFindPos) + 1);
            const std::size_t at = needle.FindFirst(text, from);
            if (at != CFoldedNeedle::npos) {
                MoveToHit(doc, i, static_cast<int>(at));
                return;
            }
        }
    }
    doc.ShowHint(g_strNoMoreHit);
}

void CFindDlgState::OnFindFirst()
{
    m_bFromFirst = true;
    OnFindNext();
}

void CFindDlgState::OnFindBack()
{
    if (!m_pDoc)
        return;
    const CFoldedNeedle needle(m_strSearch);
    if (needle.empty())
        return;
    COvrinDoc& doc = *m_pDoc;

    m_nSearchEntry = doc.m_nCurrent;
    const bool fromDescriptionHit = doc.m_nFindPos >= 0;
    const int last = std::min(doc.m_nCurrent, doc.m_nCount - 1);
    CSweptClean clean[2];
    if (!MayBeInTable(needle, doc, m_bInDescriptions, last, last + 1, true, clean)) {
        if (last >= 0)
            doc.m_nFindPos = -1;
        doc.ShowHint(g_strNoMoreHit);
        return;
    }

    // Entries deleted while the dialog stayed open are not visited.
    const bool skipClean = !clean[0].empty();
    for (int i = std::min(doc.m_nCurrent, doc.m_nCount - 1); i >= 0; --i) {
        if (i < m_nSearchEntry && skipClean && Clean(clean, doc, static_cast<std::size_t>(i), m_bInDescriptions)) {
            doc.m_nFindPos = -1;
            continue;
        }
        if (m_bInDescriptions && (i < m_nSearchEntry || doc.m_nFindPos > 0)) {
            const std::string_view text = doc.m_arrDescriptions[static_cast<std::size_t>(i)];
            // In the entry of the last hit, only an occurrence that begins before it.
            const std::size_t at = i == m_nSearchEntry
                                       ? needle.FindLastBefore(text, static_cast<std::size_t>(doc.m_nFindPos))
                                       : needle.FindLast(text);
            if (at != CFoldedNeedle::npos) {
                MoveToHit(doc, i, static_cast<int>(at));
                return;
            }
        }
        doc.m_nFindPos = -1;
        if (i < m_nSearchEntry || fromDescriptionHit) {
            if (needle.IsIn(doc.m_arrKeyWords[static_cast<std::size_t>(i)])) {
                MoveToHit(doc, i, -1);
                return;
            }
        }
    }
    doc.ShowHint(g_strNoMoreHit);
}

void CFindDlgState::OnInDescriptions()
{
    if (m_bInDescriptions) {
        m_bInDescriptions = false;
    } else {
        m_bInDescriptions = true;
        // The next forward search reads the current description from its start.
        if (m_pDoc)
            m_pDoc->m_nFindPos = -1;
    }
}

void CFindDlgState::OnCancel()
{
    if (m_pDoc)
        m_pDoc->m_nFindEntry = -1;
}
