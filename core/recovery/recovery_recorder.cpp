// SPDX-License-Identifier: MIT
#include "core/recovery/recovery_recorder.h"

#include <utility>

#include "core/document/ovrin_doc.h"

CRecoveryRecorder::CRecoveryRecorder(const COvrinDoc& doc, std::string folder)
    : m_doc(doc), m_strFolder(std::move(folder))
{
}

void CRecoveryRecorder::TableChanged(const TableChange& change)
{
    if (change.kind == TableChange::Kind::Replaced && !change.merged) {
        // A settled document follows (open, new); until it does, the file
        // no longer tells the table.
        Drop();
        m_bBaseIsTable = false;
        return;
    }
    if (change.ontoOtherVersion && m_pRecord && m_bBaseIsTable) {
        // The record replayed by content onto the file as it is now gives
        // the table; it only has to say that its places no longer hold.
        if (Write(EncodeMergedOntoOtherVersion()))
            m_bTyping = false;
        return;
    }
    const bool starts = !m_pRecord;
    if (!Write(m_bBaseIsTable ? EncodeTableChange(m_doc, change) : EncodeWholeTable(m_doc)))
        return;
    m_bBaseIsTable = true;
    m_bChanged = true;
    m_bTyping = false;
    if (starts)
        m_lastView = {-2, false};
}

void CRecoveryRecorder::TypingFrame(const std::string& frame)
{
    // The frame of a huge description is not copied again here.
    if (!(m_bBaseIsTable ? Write(frame) : Write(EncodeWholeTable(m_doc) + frame)))
        return;
    m_bChanged = m_bChanged || !m_bBaseIsTable;
    m_bBaseIsTable = true;
    m_bTyping = true;
}

void CRecoveryRecorder::TypingCancelled()
{
    if (!m_bTyping)
        return;
    m_bTyping = false;
    // A record of nothing but typing goes with the dialog.
    if (!m_bChanged)
        Drop();
    else
        Write(EncodeTypingEnded());
}

void CRecoveryRecorder::ViewShown(int current, bool keyList)
{
    if (!m_pRecord || !m_bBaseIsTable || m_lastView == std::pair(current, keyList))
        return;
    m_lastView = {current, keyList};
    Write(EncodeView(current, keyList));
}

bool CRecoveryRecorder::Write(const std::string& bytes)
{
    std::string error;
    bool written = false;
    if (m_pRecord) {
        written = m_pRecord->Append(bytes, error);
    } else {
        m_pRecord = CRecordFile::Create(m_strFolder, EncodeRecordStart(m_base) + bytes, error);
        written = m_pRecord != nullptr;
    }
    if (written) {
        m_bFailing = false;
        return true;
    }
    // What the record holds stays: an earlier state of the table, never a
    // wrong one. A record that missed a change would replay to a wrong
    // table, so the next change that can be written brings the whole table.
    m_bBaseIsTable = false;
    if (!m_bFailing && onFailure)
        onFailure(error);
    m_bFailing = true;
    return false;
}

void CRecoveryRecorder::ChangesSettled()
{
    Drop();
    m_base = RecordBase{m_doc.GetPathName(), {}};
    if (m_base.path.empty()) {
        m_bBaseIsTable = m_doc.Count() == 0;
        return;
    }
    // The file as the document read or wrote it, so that a change made by
    // someone else just after is never taken for the record's base.
    const KnownFile& known = m_doc.KnownFileOnDisk();
    m_base.file = known.path == m_base.path ? known.stamp : StampOf(m_base.path);
    m_bBaseIsTable = m_base.file.exists;
}

void CRecoveryRecorder::Discard()
{
    Drop();
    m_bBaseIsTable = false;
}

std::optional<std::string> CRecoveryRecorder::Changes() const
{
    if (m_pRecord && m_bBaseIsTable)
        return m_pRecord->Contents();
    if (!m_pRecord && !m_doc.IsModified())
        return EncodeRecordStart(m_base);
    return std::nullopt;
}

void CRecoveryRecorder::TakeOver(std::unique_ptr<CRecordFile> record, const RecordBase& base)
{
    // Replayed by content onto the file as it is now, the record gives the
    // table; it only has to say that its places no longer hold.
    Adopt(std::move(record), base);
    if (!Write(EncodeMergedOntoOtherVersion()))
        m_bBaseIsTable = false;
}

void CRecoveryRecorder::Adopt(std::unique_ptr<CRecordFile> record, const RecordBase& base)
{
    Drop();
    m_pRecord = std::move(record);
    m_base = base;
    m_bBaseIsTable = true;
    m_bChanged = true;
    m_lastView = {-2, false};
}

void CRecoveryRecorder::Drop()
{
    m_bChanged = false;
    m_bTyping = false;
    if (m_pRecord)
        m_pRecord->Remove();
    m_pRecord.reset();
}
