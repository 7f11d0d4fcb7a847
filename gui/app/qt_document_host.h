// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include <QPointer>

#include "gui/dialogs/find_dlg.h"
#include "core/document/document_host.h"

class CMainFrame;
class CRecoveryRecorder;
class COvrinDoc;
class QWidget;

// The document's world on the Qt side: the Edit and Hint dialogs, the views
// of the main frame, the profile and the clock, and the one Find window.
class CQtDocumentHost final : public DocumentHost {
public:
    CQtDocumentHost() = default;
    ~CQtDocumentHost() override;

    // The document and frame come after the host (the document is built on
    // it); until the frame exists, views and dialogs have no owner.
    void SetDocument(COvrinDoc* doc) { m_pDoc = doc; }
    void SetFrame(CMainFrame* frame);
    // Hears of every change of the table and of every save.
    void SetRecorder(CRecoveryRecorder* recorder) { m_pRecorder = recorder; }

    bool RunEditDialog(std::string& keyWords, std::string_view description,
                       std::optional<std::string>& changedDescription, int entry) override;
    // Keeps what is typed into an open Edit dialog in the recovery record
    // now: the program is about to end.
    void KeepTyping();
    bool ShowHint(const std::string& text) override;
    void UpdateAllViews() override;
    void CurrentEntryChanged() override;
    void ViewModeChanged() override;
    void FindHitChanged() override;
    void TableChanged(const TableChange& change) override;
    void ChangesSettled() override;
    int GetProfileInt(const std::string& section, const std::string& entry,
                      int defaultValue) override;
    void WriteProfileInt(const std::string& section, const std::string& entry,
                         int value) override;
    CalendarDate Today() override;
    bool IsFindWindowOpen() override;
    void ShowFindWindow() override;
    ChangedFileAnswer AskAboutChangedFile(const std::string& path, bool removed,
                                          bool offerSaveAs, bool offerMerge) override;
    std::optional<std::string> UnsavedChanges() override;
    void MergedOtherVersion(const MergeOutcome& outcome) override;

    CFindDlg* FindWindow() const { return m_pFindDlg; }

    // The owner of a modal dialog: the window the user works in (the Find
    // window when it is active), else the main frame.
    QWidget* DialogOwner() const;

private:
    COvrinDoc* m_pDoc = nullptr;
    CRecoveryRecorder* m_pRecorder = nullptr;
    QPointer<CMainFrame> m_pFrame;
    QPointer<CFindDlg> m_pFindDlg;
    std::function<void()> m_keepTyping;  // while the Edit dialog is open
};
