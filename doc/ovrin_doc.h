// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/known_file.h"
#include "doc/string_array.h"
#include "doc/table_change.h"

class CArchive;
class CFindDlgState;
class DocumentHost;
struct CCmdUI;

// Texts of the document module, Windows-1252 bytes.
extern const std::string g_strDescriptionPrompt;  // "<description>"
extern const std::string g_strKeyWordsPrompt;     // "<key words>"
extern const std::string g_strFirstEntry;         // "first entry"
extern const std::string g_strNoEntry;            // "no entry"
extern const std::string g_strLastEntry;          // "last entry"
extern const std::string g_strEmptyUndo;          // "empty Undo buffer"

// Compares key words in the key order of CompareTexts (doc/text_form.h):
// Windows-1252 text byte by byte as unsigned values, no case folding, no
// locale, so "Zebra" < "apple" and accented letters come after ASCII; other
// characters after all of those.
int CompareKeyWords(std::string_view a, std::string_view b);

// The one document: the entry table kept in key-word order, the current
// position, the undo stack of deleted entries, the state that the views and
// the Find dialog share, and the "Save immediate" option. Members are public
// because views and dialogs read (and a few write) them directly.
class COvrinDoc final {
public:
    explicit COvrinDoc(DocumentHost& host);
    ~COvrinDoc();
    COvrinDoc(const COvrinDoc&) = delete;
    COvrinDoc& operator=(const COvrinDoc&) = delete;

    // The Find dialog's state and search; its window comes and goes, the
    // object lives as long as the document.
    std::unique_ptr<CFindDlgState> m_pFindDlg;
    int m_nCount = 0;
    int m_nCurrent = -1;
    int m_nUndoCount = 0;
    int m_nFindEntry = -1;
    int m_nFindPos = -1;
    int m_nPrintEntry = -1;
    int m_nHitTop = 0;
    bool m_bScrollToHit = false;
    bool m_bKeyList = false;
    bool m_bNewHit = false;
    bool m_bDinA4 = false;
    CStringArray m_arrDescriptions;
    CStringArray m_arrKeyWords;
    CStringArray m_arrDates;
    CStringArray m_arrUndoDescriptions;
    CStringArray m_arrUndoKeyWords;
    CStringArray m_arrUndoDates;
    std::string m_strFilePath;
    // The file last read or written, to notice changes by others before a
    // save writes over them.
    KnownFile m_knownFile;
    bool m_bSaveImmediate = false;
    // Counts every change of the entry table (add, edit, delete, undo, load,
    // new document), so that a view can keep layouts of the whole table and
    // the document what it knows of the key order; code that writes the
    // arrays directly moves it too.
    unsigned m_nTableVersion = 0;
    // What the last command did to the rows of the table, so that a view can
    // mend its layout of the whole table instead of making it again. It
    // tells the step to `version` from the one before only; every other
    // change (open, new, code that writes the arrays) moves m_nTableVersion
    // past it.
    using TableChange = ::TableChange;
    TableChange m_lastTableChange;

    // --- the document framework's part -----------------------------------
    bool IsModified() const { return m_bModified; }
    // Clearing the flag tells the host that the table is now what the file
    // holds (or, untitled, empty): opened, saved or new.
    void SetModifiedFlag(bool bModified = true);
    // Path of the file the document was opened from or saved as; empty for
    // an untitled document. It names the window and is where File/Save writes.
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& path) { m_strPathName = path; }
    DocumentHost& Host() { return m_host; }
    void UpdateAllViews();

    // Routes a command to its handler; false when the document has none.
    bool OnCommand(int nId);
    // Applies the command's update rule; false when the document has none.
    bool OnUpdateCommand(int nId, CCmdUI& cmdUI) const;

    // --- lifecycle, file format, option ------------------------------------
    bool OnNewDocument();
    void Serialize(CArchive& ar);
    void SaveImmediately();
    void OnOptionsSaveImmediate();
    void OnUpdateOptionsSaveImmediate(CCmdUI& cmdUI) const;

    // --- the table ---------------------------------------------------------
    int SortCurrentEntry();
    void StampDate(int nIndex);

    // --- entry commands ----------------------------------------------------
    void OnEntryAdd();
    void OnEntryEdit();
    void OnUpdateEntryEdit(CCmdUI& cmdUI) const;
    void OnEntryDelete();
    void OnUpdateEntryDelete(CCmdUI& cmdUI) const;
    void OnEntryUndo();
    void OnUpdateEntryUndo(CCmdUI& cmdUI) const;
    void OnEntryFirst();
    void OnUpdateEntryFirst(CCmdUI& cmdUI) const;
    void OnEntryBack();
    void OnUpdateEntryBack(CCmdUI& cmdUI) const;
    void OnEntryNext();
    void OnUpdateEntryNext(CCmdUI& cmdUI) const;
    void OnEntryLast();
    void OnUpdateEntryLast(CCmdUI& cmdUI) const;
    void OnEntryFind();
    void OnUpdateEntryFind(CCmdUI& cmdUI) const;

    // --- view mode and format ----------------------------------------------
    void OnViewDescription();
    void OnUpdateViewDescription(CCmdUI& cmdUI) const;
    void OnViewKeywords();
    void OnUpdateViewKeywords(CCmdUI& cmdUI) const;
    void OnFormatToggle();
    void OnUpdateFormatDina4(CCmdUI& cmdUI) const;
    void OnUpdateFormatVariable(CCmdUI& cmdUI) const;

    // Shows a hint the way every command does: modal, views redrawn on OK.
    void ShowHint(const std::string& text);

private:
    void AppendEntry(std::string_view keyWords, std::string_view description, std::string_view date);
    void EndTableChange(TableChange::Kind kind, int entry, int from = -1);
    bool OthersInKeyOrder(int nEntry) const;

    // Whether the table was in key-word order when it had `count` entries at
    // table version `version`. Code that fills the arrays directly moves
    // m_nTableVersion (as it must for the views' layouts anyway), which makes
    // this unknown; it is then found out again in one pass.
    struct KeyOrder {
        bool known = false;
        bool inOrder = false;
        unsigned version = 0;
        int count = 0;
    };
    bool KeyOrderKnownFor(int count) const
    {
        return m_keyOrder.known && m_keyOrder.version == m_nTableVersion && m_keyOrder.count == count;
    }
    KeyOrder m_keyOrder;

    DocumentHost& m_host;
    bool m_bModified = false;
    std::string m_strPathName;
};
