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
    const bool starts = !m_pRecord;
    if (Write(m_pRecord || m_bBaseIsTable ? EncodeTableChange(m_doc, change) : EncodeWholeTable(m_doc)) && starts)
        m_lastView = {-2, false};
}

void CRecoveryRecorder::ViewShown(int current, bool keyList)
{
    if (!m_pRecord || m_lastView == std::pair(current, keyList))
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
    // A record that missed a change would replay to a wrong table: it goes,
    // and the next change starts a new one with the whole table.
    Drop();
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
        m_bBaseIsTable = m_doc.m_nCount == 0;
        return;
    }
    // The file as the document read or wrote it, so that a change made by
    // someone else just after is never taken for the record's base.
    const KnownFile& known = m_doc.m_knownFile;
    m_base.file = known.path == m_base.path ? known.stamp : StampOf(m_base.path);
    m_bBaseIsTable = m_base.file.exists;
}

void CRecoveryRecorder::Discard()
{
    Drop();
    m_bBaseIsTable = false;
}

void CRecoveryRecorder::Adopt(std::unique_ptr<CRecordFile> record, const RecordBase& base)
{
    Drop();
    m_pRecord = std::move(record);
    m_base = base;
    m_bBaseIsTable = true;
    m_lastView = {-2, false};
}

void CRecoveryRecorder::Drop()
{
    if (m_pRecord)
        m_pRecord->Remove();
    m_pRecord.reset();
}
