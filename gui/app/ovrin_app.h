// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

#include "gui/app/open_channel.h"
#include "gui/app/qt_document_host.h"
#include "gui/app/recent_file_list.h"
#include "gui/frame/placement.h"

class CFileCommands;
class CRecovery;
class QSessionManager;
class CMainFrame;
class COvrinDoc;
class COvrinView;
struct CCmdUI;
struct CCommandLineInfo;

// The application: names the profile, loads the recent-file list, creates
// the document and (on demand) the main frame with its views, registers the
// file type with the desktop, answers open requests of later starts and acts
// on the command line. It handles the commands that belong to no document:
// New, Open, Save, Save As, Print Setup, About, Exit, the recent files and
// the information dialogs.
class COvrinApp final : public QObject {
    Q_OBJECT
public:
    COvrinApp();
    ~COvrinApp() override;

    // Runs the start-up with main's arguments (bytes, as the system gave
    // them: a file name need not be valid UTF-8). False ends the program at
    // once with ExitCode().
    bool InitInstance(int argc, char** argv);
    // The same with the arguments after the program name as text.
    bool InitInstance(const QStringList& arguments);
    // The same with the arguments read already (main reads them once).
    bool InitInstance(const CCommandLineInfo& info);
    int ExitCode() const { return m_nExitCode; }

    COvrinDoc& Document() { return *m_pDoc; }
    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CFileCommands& Files() { return *m_pFiles; }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    CQtDocumentHost& Host() { return m_host; }
    CRecovery& Recovery() { return *m_pRecovery; }
    COpenChannel* OpenChannel() const { return m_pChannel; }
    // "Settings"/"PreviewPages", read at start-up.
    int PreviewPages() const { return m_nPreviewPages; }

    void OnAppAbout();

private:
    void LoadStdProfileSettings();
    bool ProcessShellCommand(const CCommandLineInfo& info);
    void CreateMainFrame();
    void ShowMainFrame(int nCmdShow = static_cast<int>(ShowCommand::Normal));
    bool HandlesCommand(int id) const;
    bool UpdateCommand(int id, CCmdUI& ui) const;
    bool OnCommand(int id);
    void OnPrintCommand(int id, COvrinView& view);
    bool CanTakeOpenRequest() const;
    void OnOpenRequest(const std::string& path);
    void UpdateRecentFileMenu();
    void OnCommitData(QSessionManager& manager);

    // Destroyed in reverse: the frame and its views before the document,
    // the document before its host.
    CQtDocumentHost m_host;
    std::unique_ptr<COvrinDoc> m_pDoc;
    CRecentFileList m_recentFiles;
    CFileCommands* m_pFiles = nullptr;
    CRecovery* m_pRecovery = nullptr;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    COpenChannel* m_pChannel = nullptr;
    int m_nPreviewPages = 0;
    int m_nExitCode = 0;
    // Another program of this user listens already: a new window cascades.
    bool m_bAnotherRuns = false;
};
