// SPDX-License-Identifier: MIT
#include "gui/app/ovrin_app.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include "gui/app/file_commands.h"
#include "core/start/command_line.h"
#include "gui/app/open_channel.h"
#include "gui/app/path_text.h"
#include "gui/app/recovery.h"
#include "gui/app/termination_signals.h"
#include "gui/app/shell_registration.h"
#include "platform/program_paths.h"
#include "gui/dialogs/focus_return.h"
#include "gui/dialogs/info_dialogs.h"
#include "core/document/command_ids.h"
#include "core/document/ovrin_doc.h"
#include "platform/file_system.h"
#include "platform/recovery_files.h"
#include "gui/frame/main_frame.h"
#include "gui/frame/profile.h"
#include "gui/res/command_table.h"
#include "gui/res/resources.h"
#include "gui/view/ovrin_view.h"
#include "gui/view/print_commands.h"

using namespace cmd;

COvrinApp::COvrinApp() : m_recentFiles(kRecentFileCount) {}

COvrinApp::~COvrinApp()
{
    // The Find window belongs to the frame's windows; it goes before them.
    m_pMainWnd.reset();
}

bool COvrinApp::InitInstance(int argc, char** argv)
{
    return InitInstance(ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc)));
}

bool COvrinApp::InitInstance(const QStringList& arguments)
{
    std::vector<std::string> bytes;
    for (const QString& argument : arguments)
        bytes.push_back(EncodePath(argument));
    return InitInstance(ParseCommandLine(bytes));
}

bool COvrinApp::InitInstance(const CCommandLineInfo& info)
{
    // The profile: every setting lives under Ovrin/Ovrin.
    QCoreApplication::setOrganizationName(QStringLiteral("Ovrin"));
    QCoreApplication::setApplicationName(QStringLiteral("Ovrin"));
    EnsureResources();
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/ovrin.svg")));
    qApp->installEventFilter(new CFocusReturn(this));

    LoadStdProfileSettings();

    // The document, bound to its host; the frame and view come with the
    // first document that is shown.
    m_pDoc = std::make_unique<COvrinDoc>(m_host);
    m_host.SetDocument(m_pDoc.get());
    m_pFiles = new CFileCommands(*m_pDoc, m_recentFiles, this);
    connect(m_pFiles, &CFileCommands::recentFilesChanged, this, &COvrinApp::UpdateRecentFileMenu);
    m_pRecovery = new CRecovery(*m_pDoc, *m_pFiles, RecoveryFolder(), this);
    m_host.SetRecorder(&m_pRecovery->Recorder());
    // Opened in the middle of a command: the offer comes after it.
    connect(m_pFiles, &CFileCommands::opened, m_pRecovery, [this](const std::string& path) {
        QTimer::singleShot(0, m_pRecovery, [this, path] { m_pRecovery->OfferAgainFor(path); });
    }, Qt::DirectConnection);
    // Whenever the program has done what there was to do, the record of
    // unsaved changes learns what the window shows, for a recovery to show
    // it again.
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance())
        connect(loop, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            if (m_pMainWnd)
                m_pRecovery->Recorder().ViewShown(m_pDoc->Current(), m_pDoc->ShowsKeyList());
        });

    // Every change is in the recovery record already, synced: ending at
    // once keeps them for the next start.
    new CTerminationSignals([this](int signal) {
        m_host.KeepTyping();
        QCoreApplication::exit(128 + signal);
    }, this);
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, &COvrinApp::OnCommitData);

    using Shell = CCommandLineInfo::Shell;
    if (!info.m_strError.empty()) {
        QTextStream(stderr) << "ovrin: " << QString::fromStdString(info.m_strError) << '\n';
        m_nExitCode = 2;
        return false;
    }

    // A program of this user already running takes the file instead, and
    // tells the user itself should it fail to open it. When it does not
    // answer in time, this start opens the file.
    const QString channelFolder = COpenChannel::DefaultFolder();
    if (info.m_nShellCommand == Shell::FileOpen &&
        COpenChannel::SendOpenRequest(channelFolder, info.m_strFileName) ==
            COpenChannel::HandOver::Taken) {
        m_nExitCode = 0;
        return false;
    }
    // A start that prints ends soon: it never answers open requests.
    if (info.m_nShellCommand != Shell::FilePrint && info.m_nShellCommand != Shell::FilePrintTo) {
        m_pChannel = new COpenChannel(channelFolder, this);
        m_bAnotherRuns = !m_pChannel->Listen();
        if (!m_bAnotherRuns) {
            m_pChannel->SetReadyCheck([this] { return CanTakeOpenRequest(); });
            m_pChannel->SetOpenHandler([this](const std::string& path) { OnOpenRequest(path); });
        } else if (info.m_nShellCommand == Shell::FileDDE &&
                   COpenChannel::IsAnswered(channelFolder)) {
            m_nExitCode = 0;
            return false;
        }
    }

    // An installed program was registered by its package; one run from
    // where it was built registers the command users type, `ovrin`.
    const std::string windowProgram = QCoreApplication::applicationFilePath().toStdString();
    if (!IsInstalledWindowProgram(windowProgram))
        RegisterShellFileTypes(QString::fromStdString(FrontEndPath(windowProgram)),
                               QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));

    if (!ProcessShellCommand(info))
        return false;
    // A start that shows a window offers what earlier ones left unsaved.
    if (m_pMainWnd)
        QTimer::singleShot(0, m_pRecovery, &CRecovery::OfferAbandoned);
    return true;
}

void COvrinApp::OnCommitData(QSessionManager& manager)
{
    // Without a person to ask, the recovery record keeps the changes.
    if (!m_pDoc->IsModified() || !manager.allowsInteraction())
        return;
    const bool goOn = m_pFiles->SaveModified();
    manager.release();
    if (!goOn) {
        manager.cancel();
        return;
    }
    // Answered "No": the changes are thrown away.
    if (m_pDoc->IsModified())
        m_pRecovery->Recorder().Discard();
}

void COvrinApp::LoadStdProfileSettings()
{
    CProfile profile;
    m_recentFiles.ReadList(profile);
    m_nPreviewPages = profile.value(QStringLiteral("Settings/PreviewPages"), 0).toInt();
}

bool COvrinApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    using Shell = CCommandLineInfo::Shell;
    switch (info.m_nShellCommand) {
    case Shell::FileNew:
        CreateMainFrame();
        if (m_bAnotherRuns)
            m_pMainWnd->CascadeFromStoredPlace();
        m_pFiles->OnFileNew();
        ShowMainFrame();
        return true;

    case Shell::FileOpen:
        CreateMainFrame();
        if (!m_pFiles->OpenDocumentFile(DecodePath(info.m_strFileName))) {
            // The error has been reported in the window; a person who typed
            // the command reads it in the terminal too. The half-made window
            // goes.
            if (StandardErrorIsTerminal())
                QTextStream(stderr) << "ovrin: " << m_pFiles->LastError() << '\n';
            m_pMainWnd.reset();
            m_nExitCode = 1;
            return false;
        }
        ShowMainFrame();
        return true;

    case Shell::FilePrint:
    case Shell::FilePrintTo: {
        CreateMainFrame();
        // Asked to stay hidden, the window still shows with its stored
        // placement while it prints.
        ShowMainFrame(0);
        if (!m_pFiles->OpenDocumentFile(DecodePath(info.m_strFileName))) {
            m_nExitCode = 1;
            return false;
        }
        COvrinView* view = m_pMainWnd->ActiveView();
        m_nExitCode = view ? PrintDirect(*m_pDoc, view->Pages(),
                                         QString::fromStdString(info.m_strPrinterName),
                                         DecodePath(info.m_strFileName))
                           : 1;
        return false;
    }

    case Shell::FileDDE:
        // No window until the first open request arrives.
        return true;
    }
    return true;
}

void COvrinApp::ShowMainFrame(int nCmdShow)
{
    m_pMainWnd->ActivateFrame(nCmdShow);
    // The first activation restores the bars: the View menu's checks follow.
    m_pMainWnd->RefreshCommandStates();
}

void COvrinApp::CreateMainFrame()
{
    if (m_pMainWnd)
        return;
    m_pMainWnd = std::make_unique<CMainFrame>(*m_pDoc);
    m_host.SetFrame(m_pMainWnd.get());
    m_pFiles->SetFrame(m_pMainWnd.get());
    m_pRecovery->SetFrame(m_pMainWnd.get());
    m_pMainWnd->SetBeforeCommand([this] { m_pFiles->TellAboutChangeByOthers(); });
    CMainFrame* frame = m_pMainWnd.get();
    frame->Router().AddTarget(CommandTarget{
        [this](int id) { return HandlesCommand(id); },
        [this](int id, CCmdUI& ui) { return UpdateCommand(id, ui); },
        [this](int id) { return OnCommand(id); }});
    frame->SetPrintHandler([this](int id, COvrinView& view) { OnPrintCommand(id, view); });
    frame->SetCloseQuery([this] {
        if (!m_pFiles->SaveModified())
            return false;
        // A file handed over while the question was up is the user's last
        // wish: the window stays for it, and the changes the user chose not
        // to save are let go (with their recovery record) rather than asked
        // about again.
        if (m_pChannel && m_pChannel->HasTaken()) {
            m_pDoc->SetModifiedFlag(false);
            return false;
        }
        // Closed without saving: the changes are thrown away.
        if (m_pDoc->IsModified())
            m_pRecovery->Recorder().Discard();
        // The window closes and the program ends: nothing more is taken,
        // and senders still waiting open their files themselves.
        if (m_pChannel)
            m_pChannel->Close();
        return true;
    });
    connect(frame, &CMainFrame::fileDropped, this, [this](const QUrl& file) {
        // The URL's percent escapes hold the name's exact bytes; toLocalFile()
        // would lose those that are not UTF-8.
        const QByteArray path = QByteArray::fromPercentEncoding(file.path(QUrl::FullyEncoded).toLatin1());
        m_pFiles->OpenDocumentFile(DecodePath(path.toStdString()));
    });
    UpdateRecentFileMenu();
}

bool COvrinApp::HandlesCommand(int id) const
{
    switch (id) {
    case ID_FILE_NEW: case ID_FILE_OPEN: case ID_FILE_SAVE: case ID_FILE_SAVE_AS: case ID_FILE_MERGE:
    case ID_FILE_PRINT_SETUP: case ID_APP_ABOUT: case ID_APP_EXIT:
    case ID_HELP: case ID_HELP_USAGE: case ID_HELP_HISTORY:
        return true;
    default:
        return id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount;
    }
}

bool COvrinApp::UpdateCommand(int id, CCmdUI& ui) const
{
    if (id == ID_FILE_SAVE) {
        ui.Enable(m_pDoc->IsModified());
        return true;
    }
    if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) {
        // With no recent files the first item is the grayed placeholder.
        ui.Enable(id - ID_FILE_MRU_FILE1 < m_recentFiles.Paths().size());
        return true;
    }
    return false;
}

bool COvrinApp::OnCommand(int id)
{
    QWidget* owner = m_host.DialogOwner();
    switch (id) {
    case ID_FILE_NEW: m_pFiles->OnFileNew(); return true;
    case ID_FILE_OPEN: m_pFiles->OnFileOpen(); return true;
    case ID_FILE_SAVE: m_pFiles->OnFileSave(); return true;
    case ID_FILE_SAVE_AS: m_pFiles->OnFileSaveAs(); return true;
    case ID_FILE_MERGE: m_pFiles->OnFileMerge(); return true;
    case ID_FILE_PRINT_SETUP: OnFilePrintSetup(owner); return true;
    case ID_APP_ABOUT: OnAppAbout(); return true;
    case ID_APP_EXIT:
        if (m_pMainWnd)
            m_pMainWnd->close();
        return true;
    case ID_HELP: {
        CManualDlg dlg(owner);
        dlg.exec();
        return true;
    }
    case ID_HELP_USAGE: {
        CUsageDlg dlg(owner);
        dlg.exec();
        return true;
    }
    case ID_HELP_HISTORY: {
        CHistoryDlg dlg(owner);
        dlg.exec();
        return true;
    }
    default:
        if (id >= ID_FILE_MRU_FILE1 && id < ID_FILE_MRU_FILE1 + kRecentFileCount) {
            m_pFiles->OnOpenRecentFile(id - ID_FILE_MRU_FILE1);
            return true;
        }
        return false;
    }
}

void COvrinApp::OnAppAbout()
{
    CAboutDlg dlg(m_host.DialogOwner());
    dlg.exec();
}

void COvrinApp::OnPrintCommand(int id, COvrinView& view)
{
    switch (id) {
    case ID_FILE_PRINT:
        OnFilePrint(m_pMainWnd.get(), *m_pDoc, view.Pages());
        break;
    case ID_FILE_PRINT_PREVIEW:
        OnFilePrintPreview(m_pMainWnd.get(), *m_pDoc, view.Pages(), m_nPreviewPages);
        break;
    case ID_FILE_PRINT_DIRECT:
        PrintDirect(*m_pDoc, view.Pages(), QString(),
                    DecodePath(m_pDoc->GetPathName()));
        break;
    default:
        break;
    }
}

bool COvrinApp::CanTakeOpenRequest() const
{
    // Not while a question is up, such as "Save changes?" of a closing window.
    return !QApplication::activeModalWidget();
}

void COvrinApp::OnOpenRequest(const std::string& path)
{
    // Like a file chosen in File/Open.
    if (!m_pMainWnd) {
        CreateMainFrame();
        m_pFiles->OnFileNew();
        ShowMainFrame();
    }
    if (m_pMainWnd->isMinimized())
        m_pMainWnd->showNormal();
    m_pMainWnd->raise();
    m_pMainWnd->activateWindow();
    // A later start is a start: it offers what ended programs left unsaved.
    QTimer::singleShot(0, m_pRecovery, &CRecovery::OfferAbandoned);
    m_pFiles->OpenFile(DecodePath(path));
}

void COvrinApp::UpdateRecentFileMenu()
{
    if (m_pMainWnd)
        m_pMainWnd->SetRecentFileTexts(m_recentFiles.MenuTexts());
}
