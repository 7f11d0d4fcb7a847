// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/recovery_files.h"
#include "core/recovery/recovery_record.h"

class COvrinDoc;

// Keeps the recovery record of a document's unsaved changes: from the first
// change after the document was opened, saved or made new, every change is
// appended and synced as it happens; the record goes when the changes are
// saved or thrown away. Replaying it over its base gives the table the
// document holds.
class CRecoveryRecorder final {
public:
    CRecoveryRecorder(const COvrinDoc& doc, std::string folder);

    void TableChanged(const TableChange& change);
    // What the window shows now; kept in the record when it differs from
    // what was kept last, so that a recovery shows what was on screen.
    void ViewShown(int current, bool keyList);
    // What is typed into the Edit dialog (a frame EncodeTyping made), kept
    // until the dialog ends with a change or is cancelled.
    void TypingFrame(const std::string& frame);
    void TypingCancelled();
    // The table is what the document's file holds now (or new and empty).
    void ChangesSettled();
    // The unsaved changes are thrown away (closing without saving).
    void Discard();
    // Goes on with a record left by a program that ended, whose changes the
    // document now holds over `base`.
    void Adopt(std::unique_ptr<CRecordFile> record, const RecordBase& base);
    // Goes on from a record left by a program that ended, whose changes the
    // document now holds merged onto another version of the file.
    void TakeOver(std::unique_ptr<CRecordFile> record, const RecordBase& base);
    // The record of every unsaved change (only its start when there are
    // none); nothing when it misses one, after a write failed.
    std::optional<std::string> Changes() const;

    // What a record made now would start from.
    const RecordBase& Base() const { return m_base; }
    bool IsRecording() const { return m_pRecord != nullptr; }

    // Told why, once, when changes cannot be recorded; again only after a
    // change was recorded in between.
    std::function<void(const std::string&)> onFailure;

private:
    void Drop();
    // Appends to the record, or starts it; false (the record dropped) when
    // that failed.
    bool Write(const std::string& bytes);

    const COvrinDoc& m_doc;
    std::string m_strFolder;
    std::unique_ptr<CRecordFile> m_pRecord;
    RecordBase m_base;
    // Whether the record (or, when there is none, the base) tells the
    // document's table; when not, the next write is the whole table.
    bool m_bBaseIsTable = true;
    bool m_bFailing = false;
    // Whether the record holds a change of the table, and whether typing
    // is its last word.
    bool m_bChanged = false;
    bool m_bTyping = false;
    std::pair<int, bool> m_lastView{-2, false};  // none kept yet
};
