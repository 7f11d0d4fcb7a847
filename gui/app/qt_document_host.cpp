// SPDX-License-Identifier: MIT
#include "gui/app/qt_document_host.h"

#include <future>
#include <system_error>

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

#include "gui/app/path_text.h"
#include "gui/dialogs/edit_dlg.h"
#include "gui/dialogs/find_dlg.h"
#include "gui/dialogs/hint_dlg.h"
#include "core/document/ovrin_doc.h"
#include "core/recovery/recovery_recorder.h"
#include "gui/frame/main_frame.h"
#include "gui/frame/profile.h"

namespace {

QString Key(const std::string& section, const std::string& entry)
{
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(entry);
}

}  // namespace

CQtDocumentHost::~CQtDocumentHost()
{
    delete m_pFindDlg.data();
}

void CQtDocumentHost::SetFrame(CMainFrame* frame) { m_pFrame = frame; }

QWidget* CQtDocumentHost::DialogOwner() const
{
    QWidget* active = QApplication::activeWindow();
    if (active && m_pFindDlg && active == m_pFindDlg.data())
        return active;
    // Not over a window that is not shown yet: then the screen's middle.
    return m_pFrame && m_pFrame->isVisible() ? m_pFrame.data() : nullptr;
}

bool CQtDocumentHost::RunEditDialog(std::string& keyWords, std::string_view description,
                                    std::optional<std::string>& changedDescription, int entry)
{
    CEditDlg dlg(DialogOwner());
    dlg.setWindowModality(Qt::ApplicationModal);
    dlg.m_strKeyWords = std::move(keyWords);
    dlg.m_strDescription = description;

    // What is typed reaches the recovery record a second after typing
    // pauses, and at the latest two seconds after the first key not yet
    // kept; the program's end by SIGTERM or SIGHUP keeps it at once. The
    // record's frame is made on another thread, so that a huge description
    // costs the person nothing, and written here unless the dialog has
    // ended meanwhile.
    QTimer typing;
    typing.setSingleShot(true);
    QElapsedTimer unkept;
    const std::uint64_t gone = entry >= 0 && m_pDoc ? EntryDigest(EntryAt(m_pDoc->Table(), static_cast<std::size_t>(entry))) : 0;
    const auto frameOf = [entry, gone](const CEditDlg::Typed& typed, const std::string& date) {
        return EncodeTyping(entry, gone, {typed.KeyWords(), typed.Description(), date});
    };
    m_keepTyping = [&] {
        typing.stop();
        if (m_pRecorder)
            m_pRecorder->TypingFrame(frameOf(dlg.TypedNow(), FormatEntryDate(Today())));
    };
    std::future<void> making;
    bool made = true;
    QObject::connect(&typing, &QTimer::timeout, &dlg, [&] {
        if (!m_pRecorder)
            return;
        if (!made) {
            typing.start(1000);  // the last one is still being made
            return;
        }
        made = false;
        try {
            making = std::async(std::launch::async, [&, typed = dlg.TypedNow(), date = FormatEntryDate(Today())] {
                QMetaObject::invokeMethod(&dlg, [&, frame = frameOf(typed, date)]() mutable {
                    made = true;
                    m_pRecorder->TypingFrame(std::move(frame));
                }, Qt::QueuedConnection);
            });
        } catch (const std::system_error&) {
            made = true;  // no thread to spare: made here
            m_keepTyping();
        }
    });
    QObject::connect(&dlg, &CEditDlg::typed, &dlg, [&] {
        if (!typing.isActive())
            unkept.start();
        if (!typing.isActive() || unkept.elapsed() < 1000)
            typing.start(1000);
    });
    QObject::connect(&dlg, &QDialog::rejected, &dlg, [this] {
        if (m_pRecorder)
            m_pRecorder->TypingCancelled();
    });
    const int result = dlg.exec();
    m_keepTyping = nullptr;
    // A frame still being made is dropped with the dialog.
    if (making.valid())
        making.wait();
    if (result != QDialog::Accepted)
        return false;
    keyWords = std::move(dlg.m_strKeyWords);
    changedDescription = std::move(dlg.m_changedDescription);
    return true;
}

void CQtDocumentHost::KeepTyping()
{
    if (m_keepTyping)
        m_keepTyping();
}

bool CQtDocumentHost::ShowHint(const std::string& text)
{
    CHintDlg dlg(DialogOwner());
    dlg.setWindowModality(Qt::ApplicationModal);
    dlg.m_strHint = text;
    return dlg.exec() == QDialog::Accepted;
}

void CQtDocumentHost::UpdateAllViews()
{
    if (m_pFrame)
        m_pFrame->UpdateAllViews();
}

void CQtDocumentHost::CurrentEntryChanged()
{
    UpdateAllViews();
}

void CQtDocumentHost::ViewModeChanged()
{
    UpdateAllViews();
}

void CQtDocumentHost::FindHitChanged()
{
    if (m_pFrame)
        m_pFrame->FindHitChanged();
}

void CQtDocumentHost::TableChanged(const TableChange& change)
{
    if (m_pRecorder)
        m_pRecorder->TableChanged(change);
    if (m_pFrame)
        m_pFrame->TableChanged(change);
}

void CQtDocumentHost::ChangesSettled()
{
    if (m_pRecorder)
        m_pRecorder->ChangesSettled();
}

int CQtDocumentHost::GetProfileInt(const std::string& section, const std::string& entry,
                                   int defaultValue)
{
    CProfile profile;
    bool ok = false;
    const int value = profile.value(Key(section, entry), defaultValue).toInt(&ok);
    return ok ? value : defaultValue;
}

void CQtDocumentHost::WriteProfileInt(const std::string& section, const std::string& entry,
                                      int value)
{
    CProfile profile;
    profile.setValue(Key(section, entry), value);
}

CalendarDate CQtDocumentHost::Today()
{
    const QDate today = QDate::currentDate();
    return CalendarDate{today.day(), today.month(), today.year()};
}

bool CQtDocumentHost::IsFindWindowOpen()
{
    return m_pFindDlg && m_pFindDlg->isVisible();
}

void CQtDocumentHost::ShowFindWindow()
{
    if (!m_pDoc)
        return;
    if (!m_pFindDlg) {
        m_pFindDlg = new CFindDlg(*m_pDoc, m_pFrame.data());
        m_pFindDlg->ShowBesideOwner();
        return;
    }
    m_pFindDlg->show();
    m_pFindDlg->raise();
    m_pFindDlg->activateWindow();
}

std::optional<std::string> CQtDocumentHost::UnsavedChanges()
{
    return m_pRecorder ? m_pRecorder->Changes() : std::nullopt;
}

void CQtDocumentHost::MergedOtherVersion(const MergeOutcome& outcome)
{
    if (!m_pFrame)
        return;
    const auto entries = [](int n) {
        return n == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(n);
    };
    QString note = QStringLiteral("Merged with the other version: %1 came from it").arg(entries(outcome.cameIn));
    if (outcome.keptTwice > 0)
        note += QStringLiteral("; %1 changed on both sides, kept in both versions").arg(entries(outcome.keptTwice));
    m_pFrame->ShowNote(note + QStringLiteral("."));
    m_pFrame->InitialUpdateAllViews();
}

ChangedFileAnswer CQtDocumentHost::AskAboutChangedFile(const std::string& path, bool removed,
                                                       bool offerSaveAs, bool offerMerge)
{
    const QString name = QDir::toNativeSeparators(ShownPath(DecodePath(path)));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Ovrin"),
                    removed ? QStringLiteral("%1 was deleted or moved by another program.").arg(name)
                            : QStringLiteral("%1 was changed by another program since it was "
                                             "opened or saved here.").arg(name),
                    QMessageBox::NoButton, DialogOwner());
    box.setInformativeText(
        removed      ? QStringLiteral("Save the document there again?")
        : offerMerge ? QStringLiteral("Merge keeps both: your changes are made to the other version, "
                                      "and an entry changed on both sides is kept in both versions. "
                                      "Cancel keeps the other version; your changes stay here, not yet saved.")
                     : QStringLiteral("Write your version over the other one? Cancel keeps the other "
                                      "version; your changes stay here, not yet saved."));
    QPushButton* merge =
        offerMerge ? box.addButton(QStringLiteral("&Merge"), QMessageBox::AcceptRole) : nullptr;
    // Where the changes can be merged, writing over the other version is
    // never offered: one side's work would be lost.
    QPushButton* overwrite =
        offerMerge ? nullptr
                   : box.addButton(removed ? QStringLiteral("&Save") : QStringLiteral("&Overwrite"),
                                   QMessageBox::DestructiveRole);
    QPushButton* saveAs =
        offerSaveAs ? box.addButton(QStringLiteral("Save &As..."), QMessageBox::AcceptRole) : nullptr;
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(merge ? merge : saveAs ? saveAs : cancel);
    box.setEscapeButton(cancel);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (merge && box.clickedButton() == merge)
        return ChangedFileAnswer::Merge;
    if (overwrite && box.clickedButton() == overwrite)
        return ChangedFileAnswer::Overwrite;
    if (saveAs && box.clickedButton() == saveAs)
        return ChangedFileAnswer::SaveAs;
    return ChangedFileAnswer::Keep;
}
