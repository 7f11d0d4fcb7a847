// SPDX-License-Identifier: MIT
#include "core/search/find_dlg_state.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "core/search/find_match.h"
#include "core/document/ovrin_doc.h"

const std::string g_strNoMoreHit = "no (more) hit";

namespace {

// The last hit becomes the current entry; the views scroll to it once.
void MoveToHit(COvrinDoc& doc, int entry, int pos)
{
    doc.MoveToHit(FindHit{entry, pos});
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
    return 2 * entries < doc.Count() ||
           needle.MayBeInAny(doc.KeyWords(), inDescriptions ? &doc.Descriptions() : nullptr,
                             static_cast<std::size_t>(std::max(start, 0)), backward, clean);
}

// Whether both texts of entry i that a search reads lie in clean blocks.
bool Clean(const CSweptClean* clean, const COvrinDoc& doc, std::size_t i, bool inDescriptions)
{
    return clean[0].Holds(doc.KeyWords().RecordOf(i)) &&
           (!inDescriptions || clean[1].Holds(doc.Descriptions().RecordOf(i)));
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
        doc.SetFindPos(-1);
        m_nSearchEntry = 0;
        keyWordsOfStart = true;
    } else {
        m_nSearchEntry = doc.Current();
    }
    const int first = std::max(m_nSearchEntry, 0);
    CSweptClean clean[2];
    if (!MayBeInTable(needle, doc, m_bInDescriptions, first, doc.Count() - first, false, clean)) {
        // Where the walk would have passed an entry after its start.
        if (std::max(m_nSearchEntry + 1, 0) < doc.Count())
            doc.SetFindPos(-1);
        doc.ShowHint(g_strNoMoreHit);
        return;
    }

    // An entry index below 0 (nothing current) does not exist; the entries
    // after it are searched from their key words on.
    const bool skipClean = !clean[0].empty();
    for (int i = std::max(m_nSearchEntry, 0); i < doc.Count(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        // The entries whose texts the sweep found clean are passed over
        // without a look at them.
        if (i > m_nSearchEntry && skipClean && Clean(clean, doc, at, m_bInDescriptions)) {
            doc.SetFindPos(-1);
            continue;
        }
        if (i > m_nSearchEntry || keyWordsOfStart) {
            if (needle.IsIn(doc.KeyWords()[static_cast<std::size_t>(i)])) {
                MoveToHit(doc, i, -1);
                return;
            }
            doc.SetFindPos(-1);
        }
        if (m_bInDescriptions) {
            // Continue just after the last hit in this description; a stale
            // position past its end leaves nothing to search.
            const std::string_view text = doc.Descriptions()[static_cast<std::size_t>(i)];
            const std::size_t from = static_cast<std::size_t>(static_cast<long long>(doc.Hit().pos) + 1);
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

    m_nSearchEntry = doc.Current();
    const bool fromDescriptionHit = doc.Hit().pos >= 0;
    const int last = std::min(doc.Current(), doc.Count() - 1);
    CSweptClean clean[2];
    if (!MayBeInTable(needle, doc, m_bInDescriptions, last, last + 1, true, clean)) {
        if (last >= 0)
            doc.SetFindPos(-1);
        doc.ShowHint(g_strNoMoreHit);
        return;
    }

    // Entries deleted while the dialog stayed open are not visited.
    const bool skipClean = !clean[0].empty();
    for (int i = std::min(doc.Current(), doc.Count() - 1); i >= 0; --i) {
        if (i < m_nSearchEntry && skipClean && Clean(clean, doc, static_cast<std::size_t>(i), m_bInDescriptions)) {
            doc.SetFindPos(-1);
            continue;
        }
        if (m_bInDescriptions && (i < m_nSearchEntry || doc.Hit().pos > 0)) {
            const std::string_view text = doc.Descriptions()[static_cast<std::size_t>(i)];
            // In the entry of the last hit, only an occurrence that begins before it.
            const std::size_t at = i == m_nSearchEntry
                                       ? needle.FindLastBefore(text, static_cast<std::size_t>(doc.Hit().pos))
                                       : needle.FindLast(text);
            if (at != CFoldedNeedle::npos) {
                MoveToHit(doc, i, static_cast<int>(at));
                return;
            }
        }
        doc.SetFindPos(-1);
        if (i < m_nSearchEntry || fromDescriptionHit) {
            if (needle.IsIn(doc.KeyWords()[static_cast<std::size_t>(i)])) {
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
            m_pDoc->SetFindPos(-1);
    }
}

void CFindDlgState::OnCancel()
{
    if (m_pDoc)
        m_pDoc->ForgetHit();
}
