// SPDX-License-Identifier: MIT
#pragma once

#include <set>
#include <string>

#include <QObject>
#include <QPointer>

#include "core/recovery/recovery_recorder.h"

class CFileCommands;
class CMainFrame;
class COvrinDoc;
class CRecordFile;

// The window's side of the recovery record: keeps the record of the
// document's unsaved changes, says when it cannot be written, and offers
// the records of programs that ended without saving.
class CRecovery final : public QObject {
    Q_OBJECT
public:
    CRecovery(COvrinDoc& doc, CFileCommands& files, std::string folder, QObject* parent = nullptr);

    CRecoveryRecorder& Recorder() { return m_recorder; }
    void SetFrame(CMainFrame* frame) { m_pFrame = frame; }

    // Asks about each record left behind, the current document's first,
    // until one is recovered; a record answered with Later (or Esc) stays
    // for the next start, and this program does not ask about it again.
    void OfferAbandoned();
    // Offers again the records of changes to `path`, a document just opened,
    // that were answered with Later: before anything can be saved over it.
    void OfferAgainFor(const std::string& path);

private:
    enum class Answer { Recover, Discard, Later };
    void Offer(const std::string* onlyFor);
    Answer Ask(const std::string& path);
    bool Recover(std::unique_ptr<CRecordFile>& record, const std::string& bytes, const RecordBase& base);
    void ShowFailure(const std::string& reason);

    COvrinDoc& m_doc;
    CFileCommands& m_files;
    std::string m_strFolder;
    CRecoveryRecorder m_recorder;
    QPointer<CMainFrame> m_pFrame;
    std::set<std::string> m_asked;
};
