// SPDX-License-Identifier: MIT
#include "gui/app/file_commands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include "gui/app/path_text.h"
#include "gui/app/recent_file_list.h"
#include "gui/dialogs/message_box.h"
#include "core/file/document_file.h"
#include "core/document/ovrin_doc.h"
#include "platform/safe_file.h"
#include "gui/frame/main_frame.h"
#include "gui/frame/profile.h"

namespace {

const QString kCaption = QStringLiteral("Ovrin");
const QString kDefaultSuffix = QStringLiteral("ovr");

QString Shown(const QString& path) { return ShownPath(QDir::toNativeSeparators(path)); }

// The file picked in a file dialog, by its real bytes; empty, after saying
// so, where two names in its folder look alike in the dialog.
QString PickedFile(const QFileDialog& dialog, QWidget* owner)
{
    const QString picked = dialog.selectedFiles().constFirst();
    const QString path = PickedPath(picked);
    if (path.isEmpty()) {
        CMessageBox box(QMessageBox::Warning, kCaption,
                        QStringLiteral("Two files in the folder of %1 look alike here. Name the file "
                                       "on the command line, or rename one of them.")
                            .arg(Shown(picked)),
                        QMessageBox::Ok, owner);
        box.exec();
    }
    return path;
}

QString Entries(int n)
{
    return n == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(n);
}

// What a merge brought, for the status bar.
QString MergeNote(const QString& name, const MergeCounts& counts)
{
    if (counts.cameIn == 0)
        return QStringLiteral("Nothing new in %1: %2.")
            .arg(name, counts.alreadyThere == 0   ? QStringLiteral("it holds no entries")
                       : counts.alreadyThere == 1 ? QStringLiteral("its entry was here already")
                                                  : QStringLiteral("all its entries were here already"));
    return QStringLiteral("%1 came in from %2; %3 here already.")
        .arg(Entries(counts.cameIn), name,
             counts.alreadyThere == 1 ? QStringLiteral("1 was") : QStringLiteral("%1 were").arg(counts.alreadyThere));
}

}  // namespace

CFileCommands::CFileCommands(COvrinDoc& doc, CRecentFileList& recentFiles, QObject* parent)
    : QObject(parent), m_doc(doc), m_recentFiles(recentFiles)
{
    // Told when the person comes back to the window, not only at the next
    // save, as editors do.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            TellAboutChangeByOthers();
    });
}

void CFileCommands::TellAboutChangeByOthers()
{
    // Not under a modal dialog: the command that opened it (Edit, say) goes
    // on with the entries it began with, which another version read in now
    // would swap under it. Told once the dialog is gone and its command done.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        connect(modal, &QObject::destroyed, this,
                [this] { QTimer::singleShot(0, this, &CFileCommands::TellAboutChangeByOthers); });
        return;
    }
    const FileChange change = NewChangeByOthers(m_doc);
    if (change == FileChange::None || !m_pFrame)
        return;
    const QString name = Shown(DecodePath(m_doc.GetPathName()));
    if (change == FileChange::Changed) {
        // Nothing unsaved can be lost: the window shows the other version.
        // Unsaved changes are merged into it when they are saved.
        if (!m_doc.IsModified() && ReloadChangedFile())
            return;
        m_pFrame->ShowNote(QStringLiteral("%1 was changed by another program; saving merges your changes "
                                          "into its version.").arg(name));
        return;
    }
    // Not modal: the person may be in the middle of something.
    auto* box = new QMessageBox(QMessageBox::Information, kCaption,
                                QStringLiteral("%1 was deleted or moved by another program.").arg(name),
                                QMessageBox::Ok, m_pFrame);
    box->setInformativeText(QStringLiteral(
        "The window still shows your version. Saving asks before writing over the other one."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

bool CFileCommands::ReloadChangedFile()
{
    const FileResult result = ReloadDocumentFile(m_doc);
    if (!result.ok) {
        ReportError(static_cast<int>(result.error), DecodePath(m_doc.GetPathName()), result.message);
        return false;
    }
    if (m_pFrame) {
        m_pFrame->InitialUpdateAllViews();
        m_pFrame->RefreshCommandStates();
        m_pFrame->ShowNote(QStringLiteral("%1 was changed by another program: the window shows its version.")
                               .arg(Shown(DecodePath(m_doc.GetPathName()))));
    }
    return true;
}

void CFileCommands::SetFrame(CMainFrame* frame)
{
    m_pFrame = frame;
    if (m_pFrame)
        m_pFrame->SetDocumentTitle(Title());
}

QWidget* CFileCommands::Owner() const
{
    // Before the window is shown (a file named on the command line that
    // cannot be opened) a message goes to the middle of the screen, not over
    // the place the hidden window happens to have.
    return m_pFrame && m_pFrame->isVisible() ? m_pFrame.data() : nullptr;
}

QString CFileCommands::FileFilter()
{
    return QStringLiteral("Filetyp Ovrin (*.ovr);;All Files (*)");
}

QString CFileCommands::Title() const
{
    const std::string& path = m_doc.GetPathName();
    return path.empty() ? QStringLiteral("Untitled")
                        : ShownPath(QFileInfo(DecodePath(path)).fileName());
}

bool CFileCommands::SaveModified()
{
    if (!m_doc.IsModified())
        return true;
    CMessageBox box(QMessageBox::Warning, kCaption, QStringLiteral("Save changes to %1?").arg(Title()),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, Owner());
    box.setDefaultButton(QMessageBox::Yes);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer == QMessageBox::Cancel || answer == QMessageBox::Escape ||
        answer == QMessageBox::NoButton)
        return false;
    if (answer == QMessageBox::No)
        return true;
    return OnFileSave();
}

bool CFileCommands::OnFileNew()
{
    if (!SaveModified())
        return false;
    if (!m_doc.OnNewDocument())
        return false;
    m_doc.SetPathName(std::string());
    m_doc.SetModifiedFlag(false);
    AfterNameChange(QString());
    if (m_pFrame)
        m_pFrame->InitialUpdateAllViews();
    return true;
}

// Open and Save As offer the same filter and extension, modal to the program.
void CFileCommands::SetUpFileDialog(QFileDialog& dialog, QFileDialog::AcceptMode acceptMode,
                                    QFileDialog::FileMode fileMode)
{
    dialog.setAcceptMode(acceptMode);
    dialog.setFileMode(fileMode);
    dialog.setNameFilter(FileFilter());
    dialog.setDefaultSuffix(kDefaultSuffix);
    dialog.setWindowModality(Qt::ApplicationModal);
}

bool CFileCommands::OnFileOpen()
{
    // The name first; the question about unsaved changes comes when the
    // file is about to replace the document.
    QFileDialog dialog(Owner(), QStringLiteral("Open"));
    SetUpFileDialog(dialog, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString path = PickedFile(dialog, Owner());
    return !path.isEmpty() && OpenDocumentFile(path);
}

bool CFileCommands::OnFileMerge()
{
    QFileDialog dialog(Owner(), QStringLiteral("Merge"));
    SetUpFileDialog(dialog, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    const QString path = PickedFile(dialog, Owner());
    return !path.isEmpty() && MergeFile(path);
}

bool CFileCommands::MergeFile(const QString& path)
{
    const QString full = AbsolutePath(path);
    MergeCounts counts;
    const FileResult result = ::MergeDocumentFile(m_doc, EncodePath(full), counts);
    if (!result.ok) {
        ReportError(static_cast<int>(result.error), full, result.message);
        return false;
    }
    if (m_pFrame) {
        m_pFrame->ShowNote(MergeNote(Shown(QFileInfo(full).fileName()), counts));
        m_pFrame->RefreshCommandStates();
    }
    return true;
}

bool CFileCommands::OpenDocumentFile(const QString& path)
{
    return OpenFile(path) == OpenOutcome::Opened;
}

CFileCommands::OpenOutcome CFileCommands::OpenFile(const QString& path)
{
    const QString full = AbsolutePath(path);
    // The document open now is the one asked for: read again only when
    // another program changed it and nothing unsaved is here.
    if (!m_doc.GetPathName().empty() && AbsolutePath(DecodePath(m_doc.GetPathName())) == full) {
        TellAboutChangeByOthers();
        if (m_pFrame) {
            m_pFrame->raise();
            m_pFrame->activateWindow();
        }
        return OpenOutcome::Opened;
    }
    if (!SaveModified())
        return OpenOutcome::Cancelled;
    const FileResult result = ::OpenDocumentFile(m_doc, EncodePath(full));
    if (!result.ok) {
        ReportError(static_cast<int>(result.error), full, result.message);
        // A damaged file leaves a new untitled document; every other failure
        // leaves the document as it was.
        if (result.error == FileResult::Error::BadFormat) {
            AfterNameChange(QString());
            if (m_pFrame)
                m_pFrame->InitialUpdateAllViews();
        }
        return OpenOutcome::Failed;
    }
    AfterNameChange(full);
    if (m_pFrame)
        m_pFrame->InitialUpdateAllViews();
    emit opened(m_doc.GetPathName());
    return OpenOutcome::Opened;
}

bool CFileCommands::OnOpenRecentFile(int index)
{
    const QStringList& paths = m_recentFiles.Paths();
    if (index < 0 || index >= paths.size())
        return false;
    const QString path = paths[index];
    const OpenOutcome outcome = OpenFile(path);
    // A file that cannot be opened leaves the list; cancelling the question
    // about unsaved changes does not remove it.
    if (outcome == OpenOutcome::Failed) {
        m_recentFiles.Remove(static_cast<int>(m_recentFiles.Paths().indexOf(path)));
        CProfile profile;
        m_recentFiles.WriteList(profile);
        emit recentFilesChanged();
    }
    return outcome == OpenOutcome::Opened;
}

bool CFileCommands::OnFileSave()
{
    const std::string& path = m_doc.GetPathName();
    // An untitled document, or one whose file has become read-only, needs a
    // name. Asked of the file system as the save will find it: a file
    // without write bits is read-only for root too.
    const bool askForName = path.empty() || IsReadOnlyFile(path);
    return DoSave(DecodePath(path), askForName);
}

bool CFileCommands::OnFileSaveAs()
{
    return DoSave(DecodePath(m_doc.GetPathName()), true);
}

bool CFileCommands::DoSave(const QString& current, bool askForName)
{
    QString path = current;
    if (askForName) {
        QString proposal = current.isEmpty() ? Title() : current;
        if (QFileInfo(proposal).suffix().isEmpty())
            proposal += QLatin1Char('.') + kDefaultSuffix;
        QFileDialog dialog(Owner(), QStringLiteral("Save As"));
        SetUpFileDialog(dialog, QFileDialog::AcceptSave, QFileDialog::AnyFile);
        dialog.selectFile(proposal);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        path = PickedFile(dialog, Owner());
        if (path.isEmpty())
            return false;
    }
    const QString full = AbsolutePath(path);
    const FileResult result = SaveDocumentFile(m_doc, EncodePath(full));
    // The person was asked about a file someone else changed meanwhile.
    if (result.error == FileResult::Error::Cancelled)
        return false;
    if (result.error == FileResult::Error::NameWanted)
        return DoSave(full, true);
    if (!result.ok) {
        ReportError(static_cast<int>(result.error), full, result.message);
        return false;
    }
    AfterNameChange(full);
    if (m_pFrame)
        m_pFrame->RefreshCommandStates();
    return true;
}

void CFileCommands::AfterNameChange(const QString& path)
{
    if (!path.isEmpty()) {
        m_recentFiles.Add(path);
        CProfile profile;
        m_recentFiles.WriteList(profile);
        emit recentFilesChanged();
    }
    if (m_pFrame)
        m_pFrame->SetDocumentTitle(Title());
}

void CFileCommands::ReportError(int error, const QString& path, const std::string& message)
{
    m_lastError = QString::fromStdString(message).replace(QLatin1Char('\n'), QStringLiteral(": "));
    // The document has shown "Ungültiges Dokument" already.
    if (error == static_cast<int>(FileResult::Error::UnknownVersion))
        return;
    QString text;
    if (error == static_cast<int>(FileResult::Error::BadFormat)) {
        text = QStringLiteral("Unexpected file format.");
    } else {
        text = QString::fromStdString(message);
        if (!text.contains(Shown(path)))
            text = QStringLiteral("%1\n%2").arg(Shown(path), text);
    }
    m_lastError = QString(text).replace(QLatin1Char('\n'), QStringLiteral(": "));
    CMessageBox box(QMessageBox::Warning, kCaption, text, QMessageBox::Ok, Owner());
    box.exec();
}
