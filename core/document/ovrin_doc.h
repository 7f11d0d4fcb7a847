// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/entry_table.h"
#include "platform/known_file.h"
#include "core/document/string_array.h"
#include "core/document/table_change.h"

class CArchive;
class CFindDlgState;
class DocumentHost;
struct CCmdUI;

// Texts of the document module.
extern const std::string g_strDescriptionPrompt;  // "<description>"
extern const std::string g_strKeyWordsPrompt;     // "<key words>"
extern const std::string g_strFirstEntry;         // "first entry"
extern const std::string g_strNoEntry;            // "no entry"
extern const std::string g_strLastEntry;          // "last entry"
extern const std::string g_strEmptyUndo;          // "empty Undo buffer"

// Compares key words in the key order of CompareTexts (core/text/text_form.h):
// Windows-1252 text byte by byte as unsigned values, no case folding, no
// locale, so "Zebra" < "apple" and accented letters come after ASCII; other
// characters after all of those.
int CompareKeyWords(std::string_view a, std::string_view b);

// What a merge of another document's entries did: how many came in, and how
// many the table held already.
struct MergeCounts {
    int cameIn = 0;
    int alreadyThere = 0;
};

// Where the last search found the needle: entry `entry` (-1: no hit), at
// byte `pos` of its description (-1: in its key words). The next search
// goes on from there.
struct FindHit {
    int entry = -1;
    int pos = -1;
};

// The one document: the entry table kept in key-word order, the current
// entry, the undo stack of deleted entries, the view mode and page format,
// the last find hit and the "Save immediate" option. Views and dialogs ask
// and command; every change is told to the host as it happens (the table's
// rows, the current entry, the view mode, the find hit), and through the
// host to the views.
class COvrinDoc final {
public:
    explicit COvrinDoc(DocumentHost& host);
    ~COvrinDoc();
    COvrinDoc(const COvrinDoc&) = delete;
    COvrinDoc& operator=(const COvrinDoc&) = delete;

    // --- what the views show -------------------------------------------------
    int Count() const { return m_nEntries; }
    // The entry shown; in an empty table -1, or 0 once its last entry was
    // deleted.
    int Current() const { return m_nCurrent; }
    // Makes entry `entry` current (brought into the table's range).
    void SetCurrent(int entry);
    const CStringArray& KeyWords() const { return m_table.keyWords; }
    const CStringArray& Descriptions() const { return m_table.descriptions; }
    const CStringArray& Dates() const { return m_table.dates; }
    bool ShowsKeyList() const { return m_bKeyList; }
    void ShowKeyList(bool keyList);
    // A double click on the key list: that entry, in the entry view.
    void ShowEntryFromKeyList(int entry);
    bool IsDinA4() const { return m_bDinA4; }
    const FindHit& Hit() const { return m_hit; }
    // The search found the needle there: the entry becomes current.
    void MoveToHit(const FindHit& hit);
    // Where the next search in the current entry's description begins
    // (-1: at its start); a search moving on resets it without a redraw.
    void SetFindPos(int pos) { m_hit.pos = pos; }
    // The Find window closed: no hit is marked any more.
    void ForgetHit() { m_hit.entry = -1; }
    int UndoCount() const { return static_cast<int>(m_undo.keyWords.size()); }

    // The Find dialog's state and search; its window comes and goes, the
    // object lives as long as the document.
    CFindDlgState& FindState() { return *m_pFindState; }

    // The file the document was last read from or written to, to notice
    // changes by others before a save writes over them.
    const KnownFile& KnownFileOnDisk() const { return m_knownFile; }
    KnownFile& KnownFileOnDisk() { return m_knownFile; }
    // Where "Save immediate" writes: the file last opened or saved.
    const std::string& FilePath() const { return m_strFilePath; }
    void SetFilePath(const std::string& path) { m_strFilePath = path; }
    bool SavesImmediately() const { return m_bSaveImmediate; }
    void SetSaveImmediately(bool on) { m_bSaveImmediate = on; }

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

    // Routes a command to its handler; false when the document has none.
    bool OnCommand(int nId);
    // Applies the command's update rule; false when the document has none.
    bool OnUpdateCommand(int nId, CCmdUI& cmdUI) const;

    // --- lifecycle, file format, option ------------------------------------
    bool OnNewDocument();
    void Serialize(CArchive& ar);
    // Reads a stored document's entries into a table of their own, the
    // document left as it is; a stream it cannot take throws as Serialize
    // does (an unknown version after its hint).
    EntryTable ReadTable(CArchive& ar);
    void SaveImmediately();
    void OnOptionsSaveImmediate();
    void OnUpdateOptionsSaveImmediate(CCmdUI& cmdUI) const;

    // --- the table ---------------------------------------------------------
    const EntryTable& Table() const { return m_table; }
    // The table becomes these arrays (a load, a recovery, an import), its
    // first entry current until the caller chooses another.
    void ReplaceTable(EntryTable table);
    // Entry `from` takes `texts` and moves to `to`, without the key-word
    // order being looked at: for code that writes a table as it is given.
    void RewriteEntry(int from, int to, const EntryTexts& texts);
    // Adds the entries of `other` that the table does not hold yet (equal
    // key words, description and date, byte for byte), each at its place in
    // key-word order, behind entries of equal key words; texts keep their
    // form. The current entry stays current. Anything that came in makes an
    // unsaved change, which Undo does not take back (Undo brings back
    // deleted entries only).
    MergeCounts MergeEntries(const EntryTable& other);
    // The table becomes `merged`, another version of the file with this
    // document's unsaved changes replayed onto it: an unsaved change itself.
    // The current entry is found again by its key words.
    void TakeMergedTable(EntryTable merged);

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
    // Writes the entry (a new one when from is -1, else entry `from`
    // rewritten) at its place in key-word order and returns that place.
    int SortCurrentEntry(const EntryTexts& entry, int from, bool keptDescription = false);
    // Where key words w belong among all entries but `skip` (-1: among all):
    // behind equal keys when moving up, in front of them when moving down.
    // Remembers what it found out of the order of the others.
    int KeyOrderPlace(std::string_view w, int skip);
    bool OthersInKeyOrder(int skip) const;
    // The one writer of the entry table: makes the change, keeps what is
    // known of the key order and tells the host.
    void ChangeTable(const TableChange& change, const EntryTexts& texts, EntryTable* whole = nullptr);
    void EndTableChange();

    EntryTable m_table;
    int m_nEntries = 0;
    int m_nCurrent = -1;
    // Deleted entries, the last one deleted at the end.
    EntryTable m_undo;
    bool m_bKeyList = false;
    bool m_bDinA4 = false;
    FindHit m_hit;
    std::unique_ptr<CFindDlgState> m_pFindState;
    std::string m_strFilePath;
    KnownFile m_knownFile;
    bool m_bSaveImmediate = false;
    // Whether the table is in key-word order, when known. Every change goes
    // through ChangeTable, which keeps it true or forgets it.
    struct KeyOrder {
        bool known = false;
        bool inOrder = false;
    };
    KeyOrder m_keyOrder;

    DocumentHost& m_host;
    bool m_bModified = false;
    std::string m_strPathName;
};
