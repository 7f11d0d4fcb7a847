// SPDX-License-Identifier: MIT
#include "core/document/ovrin_doc.h"

#include "core/text/text_form.h"

#include <algorithm>
#include <utility>

#include "core/search/find_dlg_state.h"
#include "core/document/cmd_ui.h"
#include "core/document/command_ids.h"
#include "core/document/document_host.h"

const std::string g_strDescriptionPrompt = "<description>";
const std::string g_strKeyWordsPrompt = "<key words>";
const std::string g_strFirstEntry = "first entry";
const std::string g_strNoEntry = "no entry";
const std::string g_strLastEntry = "last entry";
const std::string g_strEmptyUndo = "empty Undo buffer";

int CompareKeyWords(std::string_view a, std::string_view b) { return CompareTexts(a, b); }

COvrinDoc::COvrinDoc(DocumentHost& host)
    : m_pFindState(std::make_unique<CFindDlgState>()), m_host(host)
{
    m_bSaveImmediate = m_host.GetProfileInt("Options", "Save immediate", 0) != 0;
}

COvrinDoc::~COvrinDoc() = default;

void COvrinDoc::SetModifiedFlag(bool bModified)
{
    m_bModified = bModified;
    if (!bModified)
        m_host.ChangesSettled();
}

void COvrinDoc::ShowHint(const std::string& text)
{
    if (m_host.ShowHint(text))
        m_host.UpdateAllViews();
}

void COvrinDoc::SetCurrent(int entry)
{
    m_nCurrent = m_nEntries == 0 ? -1 : std::clamp(entry, 0, m_nEntries - 1);
    m_host.CurrentEntryChanged();
}

void COvrinDoc::ShowKeyList(bool keyList)
{
    m_bKeyList = keyList;
    m_host.ViewModeChanged();
}

void COvrinDoc::ShowEntryFromKeyList(int entry)
{
    m_nCurrent = std::clamp(entry, 0, std::max(m_nEntries - 1, 0));
    ShowKeyList(false);
}

void COvrinDoc::MoveToHit(const FindHit& hit)
{
    m_hit = hit;
    m_nCurrent = hit.entry;
    m_host.FindHitChanged();
}

// --- lifecycle ---------------------------------------------------------------

bool COvrinDoc::OnNewDocument()
{
    // The framework's part: an untitled, unmodified document.
    m_strPathName.clear();

    m_nCurrent = -1;
    m_bKeyList = false;
    m_undo = EntryTable();
    m_strFilePath.clear();
    m_knownFile = KnownFile();
    EntryTable empty;
    ChangeTable(TableChange{TableChange::Kind::Replaced}, {}, &empty);
    SetModifiedFlag(false);
    return true;
}

// --- the table ---------------------------------------------------------------

void COvrinDoc::ChangeTable(const TableChange& told, const EntryTexts& texts, EntryTable* whole)
{
    TableChange change = told;
    if (change.kind == TableChange::Kind::Removed || change.kind == TableChange::Kind::Rewritten)
        change.gone = EntryDigest(EntryAt(m_table, static_cast<std::size_t>(
                                                     change.kind == TableChange::Kind::Removed ? change.entry : change.from)));
    switch (change.kind) {
    case TableChange::Kind::Replaced:
        m_table = std::move(*whole);
        m_keyOrder = KeyOrder{};  // a file need not be in order: found out when needed
        break;
    case TableChange::Kind::Removed:
        // Taking an entry out keeps an ordered table ordered.
        m_keyOrder.known = m_keyOrder.known && m_keyOrder.inOrder;
        ApplyChange(m_table, change, texts);
        break;
    default:
        // An entry put at its key-order place keeps the order the others
        // had; the caller says so after this.
        m_keyOrder = KeyOrder{};
        ApplyChange(m_table, change, texts);
        break;
    }
    m_nEntries = static_cast<int>(m_table.keyWords.size());
    // A new table shows its first entry until the caller chooses another.
    if (change.kind == TableChange::Kind::Replaced)
        m_nCurrent = m_nEntries > 0 ? 0 : -1;
    m_host.TableChanged(change);
}

void COvrinDoc::ReplaceTable(EntryTable table)
{
    ChangeTable(TableChange{TableChange::Kind::Replaced}, {}, &table);
}

void COvrinDoc::RewriteEntry(int from, int to, const EntryTexts& texts)
{
    ChangeTable(TableChange{TableChange::Kind::Rewritten, to, from}, texts);
}

// Whether every entry but `skip` is in key-word order: known from the last
// change, otherwise one pass.
bool COvrinDoc::OthersInKeyOrder(int skip) const
{
    if (m_keyOrder.known)
        return m_keyOrder.inOrder;
    bool first = true;
    std::string_view previous;
    for (int i = 0; i < m_nEntries; ++i) {
        if (i == skip)
            continue;
        const std::string_view key = m_table.keyWords[i];
        if (!first && CompareKeyWords(previous, key) > 0)
            return false;
        previous = key;
        first = false;
    }
    return true;
}

int COvrinDoc::KeyOrderPlace(std::string_view w, int skip)
{
    // A new entry starts behind the last one and can only move up.
    const int p = skip < 0 ? m_nEntries : skip;
    const auto& keys = m_table.keyWords;

    // Upward it stops at the first greater key (behind equal keys), downward
    // at the last smaller one (in front of equal keys). A table read from a
    // file need not be in order, and there the first smaller key decides, so
    // such a table is scanned; in an ordered one the same places are found by
    // binary search. The order of the table after the move is that of the
    // others before it.
    const bool ordered = OthersInKeyOrder(skip);
    m_keyOrder = KeyOrder{true, ordered};
    if (ordered) {
        auto less = [](std::string_view a, std::string_view b) { return CompareKeyWords(a, b) < 0; };
        const auto first = keys.begin();
        const auto up = std::upper_bound(first, first + p, w, less);
        if (up != first + p)
            return static_cast<int>(up - first);
        if (p == m_nEntries)
            return p;
        const auto down = std::lower_bound(first + p + 1, keys.end(), w, less);
        return static_cast<int>(down - first) - 1;
    }
    for (int i = 0; i < p; ++i)
        if (CompareKeyWords(w, keys[i]) < 0)
            return i;
    for (int i = m_nEntries - 1; i > p; --i)
        if (CompareKeyWords(w, keys[i]) > 0)
            return i;
    return p;
}

int COvrinDoc::SortCurrentEntry(const EntryTexts& entry, int from, bool keptDescription)
{
    const int to = KeyOrderPlace(entry.keyWords, from);
    const KeyOrder order = m_keyOrder;
    const TableChange change = from < 0 ? TableChange{TableChange::Kind::Inserted, to}
                                        : TableChange{TableChange::Kind::Rewritten, to, from, keptDescription};
    ChangeTable(change, entry);
    m_keyOrder = order;
    return to;
}

// The common end of every command that changed the table: the modified flag
// already set by the caller, the immediate save, then the redraw.
void COvrinDoc::EndTableChange()
{
    SaveImmediately();
    m_host.CurrentEntryChanged();
}

// --- entry commands ----------------------------------------------------------

void COvrinDoc::OnEntryAdd()
{
    std::string keyWords = g_strKeyWordsPrompt;
    std::optional<std::string> description;
    if (!m_host.RunEditDialog(keyWords, g_strDescriptionPrompt, description, -1))
        return;
    const std::string date = FormatEntryDate(m_host.Today());
    m_nCurrent = SortCurrentEntry({keyWords, description ? *description : g_strDescriptionPrompt, date}, -1);
    SetModifiedFlag(true);
    EndTableChange();
}

void COvrinDoc::OnEntryEdit()
{
    if (m_nEntries <= 0 || m_nCurrent < 0 || m_nCurrent >= m_nEntries)
        return;
    std::string keyWords(KeyWords()[m_nCurrent]);
    std::optional<std::string> description;
    if (!m_host.RunEditDialog(keyWords, Descriptions()[m_nCurrent], description, m_nCurrent))
        return;
    const std::string date = FormatEntryDate(m_host.Today());
    // OK on a description left as it was (a huge one, often) rewrites only
    // the key words and the date.
    const bool keptDescription = !description || *description == Descriptions()[m_nCurrent];
    m_nCurrent = SortCurrentEntry({keyWords, keptDescription ? Descriptions()[m_nCurrent] : *description, date},
                                  m_nCurrent, keptDescription);
    SetModifiedFlag(true);
    EndTableChange();
}

void COvrinDoc::OnUpdateEntryEdit(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nEntries > 0);
}

void COvrinDoc::OnEntryDelete()
{
    if (m_nEntries <= 0)
        return;
    // The position is 0 after the last entry was deleted and -1 in a fresh
    // document; neither names an entry when the table is empty, but a forced
    // call could arrive with a stale position, so it is checked here.
    if (m_nCurrent < 0 || m_nCurrent >= m_nEntries)
        return;
    m_undo.keyWords.push_back(KeyWords()[m_nCurrent]);
    m_undo.descriptions.push_back(Descriptions()[m_nCurrent]);
    m_undo.dates.push_back(Dates()[m_nCurrent]);

    ChangeTable(TableChange{TableChange::Kind::Removed, m_nCurrent}, {});
    if (m_nCurrent > 0)
        --m_nCurrent;
    // Deleting the last entry is a change like any other: it must be
    // possible to save it.
    SetModifiedFlag(true);
    EndTableChange();
}

void COvrinDoc::OnUpdateEntryDelete(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nEntries > 0);
}

void COvrinDoc::OnEntryUndo()
{
    if (UndoCount() <= 0) {
        ShowHint(g_strEmptyUndo);
        return;
    }
    // The restored entry keeps the date it had when it was deleted.
    m_nCurrent = SortCurrentEntry({m_undo.keyWords.back(), m_undo.descriptions.back(), m_undo.dates.back()}, -1);
    for (CStringArray* arr : {&m_undo.keyWords, &m_undo.descriptions, &m_undo.dates})
        arr->pop_back();
    SetModifiedFlag(true);
    EndTableChange();
}

void COvrinDoc::OnUpdateEntryUndo(CCmdUI& cmdUI) const
{
    cmdUI.Enable(UndoCount() > 0);
}

// --- walking -----------------------------------------------------------------

void COvrinDoc::OnEntryFirst()
{
    m_nCurrent = 0;
    m_host.CurrentEntryChanged();
}

void COvrinDoc::OnUpdateEntryFirst(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nCurrent > 0);
}

void COvrinDoc::OnEntryBack()
{
    if (m_nCurrent > 0) {
        --m_nCurrent;
        m_host.CurrentEntryChanged();
        return;
    }
    ShowHint(g_strFirstEntry);
}

void COvrinDoc::OnUpdateEntryBack(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nCurrent > 0);
}

void COvrinDoc::OnEntryNext()
{
    if (m_nEntries == 0) {
        ShowHint(g_strNoEntry);
        return;
    }
    if (m_nCurrent < m_nEntries - 1) {
        ++m_nCurrent;
        m_host.CurrentEntryChanged();
        return;
    }
    ShowHint(g_strLastEntry);
}

void COvrinDoc::OnUpdateEntryNext(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nCurrent < m_nEntries - 1);
}

void COvrinDoc::OnEntryLast()
{
    m_nCurrent = m_nEntries - 1;
    m_host.CurrentEntryChanged();
}

void COvrinDoc::OnUpdateEntryLast(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nEntries > 0 && m_nCurrent < m_nEntries - 1);
}

// --- find --------------------------------------------------------------------

void COvrinDoc::OnEntryFind()
{
    if (m_host.IsFindWindowOpen()) {
        m_host.ShowFindWindow();  // to the front, its text unchanged
        return;
    }
    m_hit.pos = -1;
    m_pFindState->m_bInDescriptions = false;
    m_pFindState->m_strSearch.clear();
    m_pFindState->m_pDoc = this;
    m_host.ShowFindWindow();
}

void COvrinDoc::OnUpdateEntryFind(CCmdUI& cmdUI) const
{
    cmdUI.Enable(m_nEntries > 0);
}

// --- view mode and format ----------------------------------------------------

void COvrinDoc::OnViewDescription()
{
    ShowKeyList(false);
}

void COvrinDoc::OnUpdateViewDescription(CCmdUI& cmdUI) const
{
    cmdUI.SetCheck(m_bKeyList ? 0 : 1);
}

void COvrinDoc::OnViewKeywords()
{
    ShowKeyList(true);
}

void COvrinDoc::OnUpdateViewKeywords(CCmdUI& cmdUI) const
{
    cmdUI.SetCheck(m_bKeyList ? 1 : 0);
}

void COvrinDoc::OnFormatToggle()
{
    m_bDinA4 = !m_bDinA4;
    m_host.ViewModeChanged();
}

// The active format is checked and disabled; choosing the other toggles.
void COvrinDoc::OnUpdateFormatDina4(CCmdUI& cmdUI) const
{
    cmdUI.SetCheck(m_bDinA4 ? 1 : 0);
    cmdUI.Enable(!m_bDinA4);
}

void COvrinDoc::OnUpdateFormatVariable(CCmdUI& cmdUI) const
{
    cmdUI.SetCheck(m_bDinA4 ? 0 : 1);
    cmdUI.Enable(m_bDinA4);
}

// --- routing -----------------------------------------------------------------

bool COvrinDoc::OnCommand(int nId)
{
    using namespace cmd;
    switch (nId) {
    case ID_ENTRY_ADD: OnEntryAdd(); return true;
    case ID_ENTRY_EDIT: OnEntryEdit(); return true;
    case ID_ENTRY_DELETE: OnEntryDelete(); return true;
    case ID_ENTRY_UNDO: OnEntryUndo(); return true;
    case ID_ENTRY_FIND: OnEntryFind(); return true;
    case ID_ENTRY_NEXT: OnEntryNext(); return true;
    case ID_ENTRY_BACK: OnEntryBack(); return true;
    case ID_ENTRY_FIRST: OnEntryFirst(); return true;
    case ID_ENTRY_LAST: OnEntryLast(); return true;
    case ID_VIEW_DESCRIPTION: OnViewDescription(); return true;
    case ID_VIEW_KEYWORDS: OnViewKeywords(); return true;
    case ID_FORMAT_DINA4:
    case ID_FORMAT_VARIABLE: OnFormatToggle(); return true;
    case ID_OPTIONS_SAVE_IMMEDIATE: OnOptionsSaveImmediate(); return true;
    default: return false;
    }
}

bool COvrinDoc::OnUpdateCommand(int nId, CCmdUI& cmdUI) const
{
    using namespace cmd;
    switch (nId) {
    case ID_ENTRY_EDIT: OnUpdateEntryEdit(cmdUI); return true;
    case ID_ENTRY_DELETE: OnUpdateEntryDelete(cmdUI); return true;
    case ID_ENTRY_UNDO: OnUpdateEntryUndo(cmdUI); return true;
    case ID_ENTRY_FIND: OnUpdateEntryFind(cmdUI); return true;
    case ID_ENTRY_NEXT: OnUpdateEntryNext(cmdUI); return true;
    case ID_ENTRY_BACK: OnUpdateEntryBack(cmdUI); return true;
    case ID_ENTRY_FIRST: OnUpdateEntryFirst(cmdUI); return true;
    case ID_ENTRY_LAST: OnUpdateEntryLast(cmdUI); return true;
    case ID_VIEW_DESCRIPTION: OnUpdateViewDescription(cmdUI); return true;
    case ID_VIEW_KEYWORDS: OnUpdateViewKeywords(cmdUI); return true;
    case ID_FORMAT_DINA4: OnUpdateFormatDina4(cmdUI); return true;
    case ID_FORMAT_VARIABLE: OnUpdateFormatVariable(cmdUI); return true;
    case ID_OPTIONS_SAVE_IMMEDIATE: OnUpdateOptionsSaveImmediate(cmdUI); return true;
    default: return false;
    }
}
