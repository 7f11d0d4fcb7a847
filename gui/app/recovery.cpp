// SPDX-License-Identifier: MIT
#include "gui/app/recovery.h"

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "gui/app/path_text.h"
#include "gui/app/file_commands.h"
#include "core/document/ovrin_doc.h"
#include "core/recovery/recovery_record.h"
#include "platform/memory_budget.h"
#include "platform/recovery_files.h"
#include "gui/frame/main_frame.h"

namespace {

const QString kCaption = QStringLiteral("Ovrin");
// A record's start holds its base's path, which is at most a few kB long.
constexpr std::size_t kRecordHeadBytes = 1 << 20;

QString NameOf(const std::string& path)
{
    return path.empty() ? QStringLiteral("Untitled")
                        : ShownPath(QFileInfo(DecodePath(path)).fileName());
}

}  // namespace

CRecovery::CRecovery(COvrinDoc& doc, CFileCommands& files, std::string folder, QObject* parent)
    : QObject(parent), m_doc(doc), m_files(files), m_strFolder(folder),
      m_recorder(doc, std::move(folder))
{
    // Said after the command that met the failure has ended, not in it.
    m_recorder.onFailure = [this](const std::string& reason) {
        QTimer::singleShot(0, this, [this, reason] { ShowFailure(reason); });
    };
}

void CRecovery::ShowFailure(const std::string& reason)
{
    QMessageBox::warning(m_pFrame.data(), kCaption,
                         QStringLiteral("Unsaved changes cannot be kept for recovery after a crash: %1.\n"
                                        "Save the document to keep them.")
                             .arg(QString::fromLocal8Bit(reason)));
}

CRecovery::Answer CRecovery::Ask(const std::string& path)
{
    QMessageBox box(QMessageBox::Warning, kCaption,
                    QStringLiteral("Ovrin ended without saving the changes to %1.\nRecover them?")
                        .arg(NameOf(path)),
                    QMessageBox::NoButton, m_pFrame.data());
    QPushButton* recover = box.addButton(QStringLiteral("&Recover"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    QPushButton* later = box.addButton(QStringLiteral("&Later"), QMessageBox::RejectRole);
    box.setDefaultButton(recover);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == recover)
        return Answer::Recover;
    return box.clickedButton() == discard ? Answer::Discard : Answer::Later;
}

void CRecovery::OfferAbandoned() { Offer(nullptr); }

void CRecovery::OfferAgainFor(const std::string& path) { Offer(&path); }

void CRecovery::Offer(const std::string* onlyFor)
{
    std::vector<std::unique_ptr<CRecordFile>> records = CRecordFile::TakeAbandoned(m_strFolder);
    struct Found {
        std::unique_ptr<CRecordFile> record;
        std::string bytes;
        RecordBase base;
    };
    std::vector<Found> found;
    for (auto& record : records) {
        if (!onlyFor && m_asked.count(record->Path()))
            continue;
        // The start of a record names its base: what does not begin like
        // one is never read whole, nor a record larger than the memory the
        // program may take (a damaged or planted file of gigabytes).
        const std::string head = record->Head(kRecordHeadBytes);
        if (!ReadRecordBase(head))
            continue;  // not a record this program can read: left alone
        if (!MayHoldChanges(head, record->Size())) {
            record->Remove();  // nothing was changed before the program ended
            continue;
        }
        if (record->Size() > MemoryBudget() / 2) {
            QMessageBox::warning(m_pFrame.data(), kCaption,
                                 QStringLiteral("The record of unsaved changes %1 is too large to be read (%2 MB); "
                                                "it is left where it is.")
                                     .arg(QString::fromLocal8Bit(record->Path()))
                                     .arg(record->Size() >> 20));
            m_asked.insert(record->Path());
            continue;
        }
        if (onlyFor && ReadRecordBase(head)->path != *onlyFor)
            continue;
        std::string bytes = record->Contents();
        const std::optional<RecordBase> base = ReadRecordBase(bytes);
        if (!base)
            continue;
        // Nothing was changed before the program ended.
        if (!HasRecordedChanges(bytes)) {
            record->Remove();
            continue;
        }
        found.push_back(Found{std::move(record), std::move(bytes), *base});
    }
    std::stable_partition(found.begin(), found.end(),
                          [this](const Found& f) { return f.base.path == m_doc.GetPathName(); });
    for (Found& f : found) {
        m_asked.insert(f.record->Path());
        switch (Ask(f.base.path)) {
        case Answer::Recover:
            if (Recover(f.record, f.bytes, f.base))
                return;
            break;
        case Answer::Discard:
            f.record->Remove();
            break;
        case Answer::Later:
            break;
        }
    }
}

bool CRecovery::Recover(std::unique_ptr<CRecordFile>& record, const std::string& bytes,
                        const RecordBase& base)
{
    // The base first, as an opened file or a new document, then the changes.
    if (m_doc.IsModified() || m_doc.GetPathName() != base.path) {
        const bool ready = base.path.empty()
                               ? m_files.OnFileNew()
                               : m_files.OpenDocumentFile(DecodePath(base.path));
        if (!ready && m_doc.IsModified())
            return false;  // the person kept the document that was open
    }
    const RecordBase& now = m_recorder.Base();
    if (m_doc.IsModified() || now.path != base.path) {
        // The file may come back (a drive not mounted, a folder renamed).
        QMessageBox::warning(m_pFrame.data(), kCaption,
                             QStringLiteral("The changes to %1 are kept for a later start: the "
                                            "file cannot be opened now.")
                                 .arg(NameOf(base.path)));
        return false;
    }
    if (IsRecordedFile(base.file, now.file) && ReplaysByPlace(bytes)) {
        ReplayRecord(bytes, m_doc);
        m_doc.SetModifiedFlag(true);
        m_recorder.Adopt(std::move(record), base);
    } else {
        // Another version stands there now (a sync tool's, the file
        // restored, the drive mounted again): the changes are made to it,
        // and an entry changed on both sides is kept in both versions.
        const MergeOutcome outcome = ReplayRecordOnto(bytes, m_doc);
        m_doc.SetModifiedFlag(true);
        m_recorder.TakeOver(std::move(record), base);
        if (m_pFrame)
            m_pFrame->ShowNote(
                QStringLiteral("The file changed after the changes were made: they were merged into its "
                               "version%1.")
                    .arg(outcome.keptTwice == 0
                             ? QString()
                             : QStringLiteral("; %1 changed on both sides kept in both versions")
                                   .arg(outcome.keptTwice == 1 ? QStringLiteral("1 entry")
                                                               : QStringLiteral("%1 entries").arg(outcome.keptTwice))));
    }
    if (m_pFrame) {
        m_pFrame->InitialUpdateAllViews();
        m_pFrame->RefreshCommandStates();
    }
    return true;
}
