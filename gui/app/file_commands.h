// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>

class CMainFrame;
class COvrinDoc;
class CRecentFileList;
class QWidget;

// File/New, Open, Save, Save As, the recent files and every other way a file
// is opened (drop, command line, open request): the one place that asks
// "Save changes to %1?", runs the file dialogs, reports file errors and keeps
// the title and the recent-file list up to date.
class CFileCommands final : public QObject {
    Q_OBJECT
public:
    CFileCommands(COvrinDoc& doc, CRecentFileList& recentFiles, QObject* parent = nullptr);

    void SetFrame(CMainFrame* frame);

    // Each returns false when it did not complete (cancelled or failed).
    bool OnFileNew();
    bool OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Adds another document's entries to this one, as a conflict copy that
    // a sync tool left beside the file is folded back in.
    bool OnFileMerge();
    // Merges a file as File/Merge does once the name is known.
    bool MergeFile(const QString& path);
    bool OnOpenRecentFile(int index);
    // Opens a file as File/Open does once the name is known.
    bool OpenDocumentFile(const QString& path);
    // The same, telling a cancelled question from a file that failed (whose
    // error has been shown).
    enum class OpenOutcome { Opened, Cancelled, Failed };
    OpenOutcome OpenFile(const QString& path);

    // Asks about unsaved changes; false when the user cancelled or the save
    // failed, so whatever was about to happen must not.
    bool SaveModified();

    // "Untitled" or the file's name without its folder.
    QString Title() const;

    static QString FileFilter();
    static void SetUpFileDialog(QFileDialog& dialog, QFileDialog::AcceptMode acceptMode,
                                QFileDialog::FileMode fileMode);

    // Nothing unsaved is lost when the window shows another program's
    // version at once; unsaved changes are merged into it when saved.
    void TellAboutChangeByOthers();

    // What the last failure to open or save told the user, in one line.
    const QString& LastError() const { return m_lastError; }

signals:
    void recentFilesChanged();
    // A file was opened (its path in the form the document keeps).
    void opened(const std::string& path);

private:
    bool DoSave(const QString& path, bool askForName);
    // Tells, once for each, of another program's version of the document's file.
    // Reads the other version in; false (after saying why) when it cannot be.
    bool ReloadChangedFile();
    void AfterNameChange(const QString& path);
    void ReportError(int error, const QString& path, const std::string& message);
    QWidget* Owner() const;

    COvrinDoc& m_doc;
    CRecentFileList& m_recentFiles;
    QPointer<CMainFrame> m_pFrame;
    QString m_lastError;
};
