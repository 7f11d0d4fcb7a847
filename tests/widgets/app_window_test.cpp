// SPDX-License-Identifier: MIT
// The whole program in process: the application object started with a
// command line, its main window, the file dialogs and questions answered as
// a user would, saving on real files, the open requests of later starts,
// and what the next start brings back.
#include <future>

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include "dialogs/long_text_field.h"
#include "app/file_commands.h"
#include "app/open_channel.h"
#include "app_fixture.h"
#include "doc/command_ids.h"
#include "frame/profile.h"
#include "res/command_actions.h"

using namespace cmd;
using test_support::AnswerModal;
using test_support::CloseDialog;
using Answer = std::function<void(QWidget*)>;

namespace {

// Answers a message box with the button given, noting its text.
Answer Say(QMessageBox::StandardButton button, QString* text = nullptr)
{
    return [=](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        if (text)
            *text = box->text();
        box->button(button)->click();
    };
}

// Answers a file dialog with a file name.
Answer Choose(const QString& path)
{
    return [=](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        QVERIFY(dialog);
        // The dialog applies the name it was opened with once its folder
        // has been read, which would replace ours: let that happen first.
        if (auto* model = dialog->findChild<QFileSystemModel*>()) {
            bool loaded = false;
            const QMetaObject::Connection c = QObject::connect(
                model, &QFileSystemModel::directoryLoaded, [&loaded] { loaded = true; });
            // Already read, it says nothing more: then the wait just ends.
            (void)QTest::qWaitFor([&loaded] { return loaded; }, 1000);
            QObject::disconnect(c);
        }
        // Typed as a user would: selectFile() leaves a focused name field alone.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    };
}

void AddEntry(COvrinDoc& doc, const std::string& keyWords)
{
    doc.m_arrKeyWords.push_back(keyWords);
    doc.m_arrDescriptions.push_back("about " + keyWords);
    doc.m_arrDates.push_back("1.1.2026");
    doc.m_nCount = static_cast<int>(doc.m_arrKeyWords.size());
    doc.m_nCurrent = doc.m_nCount - 1;
    doc.SetModifiedFlag(true);
}

std::vector<std::string> KeyWordsIn(const QString& path)
{
    std::vector<std::string> keys;
    const FileResult r = ReadDocumentEntries(
        path.toStdString(),
        [&](int, std::string_view k, std::string_view, std::string_view) { keys.emplace_back(k); });
    if (!r.ok)
        keys.push_back("<" + r.message + ">");
    return keys;
}

// A later start asking the running program to open path. It runs in a
// thread, as it blocks until the answer comes.
std::future<COpenChannel::HandOver> SendLater(const QString& path)
{
    return std::async(std::launch::async, [folder = COpenChannel::DefaultFolder(), path] {
        return COpenChannel::SendOpenRequest(folder, path.toStdString(), 20000);
    });
}

// Runs the event loop until the later start has its answer.
bool Answered(std::future<COpenChannel::HandOver>& answer)
{
    return QTest::qWaitFor(
        [&] { return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
}

}  // namespace

class AppWindowTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<COvrinApp> m_app;
    QString m_file;  // "alpha.ovr": two entries

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Starts the program with the arguments; nullptr when it ended at once.
    COvrinApp* Start(const QStringList& arguments)
    {
        m_app.reset();  // one program at a time, as on the desktop
        m_app = std::make_unique<COvrinApp>();
        return m_app->InitInstance(arguments) ? m_app.get() : nullptr;
    }
    CMainFrame& Frame() { return *m_app->MainFrame(); }
    COvrinDoc& Doc() { return m_app->Document(); }
    QString Title() { return Frame().windowTitle(); }
    // Runs a command as the menu would and answers the dialog it opens.
    QString Command(int id, const Answer& answer)
    {
        return AnswerModal([&] { Frame().ExecuteCommand(id); }, answer);
    }
    // Adds an entry through the Edit dialog, as the Add command does.
    void AddThroughDialog(const QString& keyWords)
    {
        Command(ID_ENTRY_ADD, [keyWords](QWidget* w) {
            auto* field = w->findChild<LongTextField*>(QStringLiteral("keyWords"));
            field->selectAll();
            field->insert(keyWords);
            qobject_cast<QDialog*>(w)->accept();
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Ovrin"));
        QCoreApplication::setApplicationName(QStringLiteral("Ovrin"));
        CProfile().clear();
        m_file = Path("alpha.ovr");
        QVERIFY(WriteEntries(m_file.toStdString(), {{"alpha", "about alpha"}, {"beta", "about beta"}}).ok);
    }

    void cleanup()
    {
        if (m_app && m_app->MainFrame())
            Doc().SetModifiedFlag(false);
        m_app.reset();
    }

    // Started with a file the window shows it by name and the recent files
    // list it. File/Open and Save As go through their dialogs: the title,
    // the file on disk and the recent files follow; a cancelled dialog
    // changes nothing. A recent file that has gone is reported and leaves
    // the list, the open document staying as it was.
    void filesThroughTheWindow()
    {
        const QString gone = Path("gone.ovr");
        QVERIFY(QFile::copy(m_file, gone));
        QVERIFY(Start({gone}));
        QVERIFY(Frame().isVisible());
        QCOMPARE(Title(), QStringLiteral("gone.ovr - Ovrin"));
        QCOMPARE(Command(ID_FILE_OPEN, Choose(m_file)), QStringLiteral("Open"));
        QCOMPARE(Title(), QStringLiteral("alpha.ovr - Ovrin"));
        QCOMPARE(Doc().m_nCount, 2);
        QCOMPARE(m_app->RecentFiles().Paths().mid(0, 2), (QStringList{m_file, gone}));
        QVERIFY(QFile::remove(gone));
        QVERIFY(!Command(ID_FILE_MRU_FILE1 + 1, CloseDialog).isEmpty());
        QVERIFY(!m_app->RecentFiles().Paths().contains(gone));
        QVERIFY(!CProfile().value(QStringLiteral("Recent File List/File2")).toString().contains(
            QStringLiteral("gone")));
        QCOMPARE(Title(), QStringLiteral("alpha.ovr - Ovrin"));
        QCOMPARE(Doc().m_nCount, 2);

        const QString saved = Path("saved as.ovr");
        QCOMPARE(Command(ID_FILE_SAVE_AS, Choose(saved)), QStringLiteral("Save As"));
        QVERIFY(QFileInfo(saved).size() > 0);
        QCOMPARE(Title(), QStringLiteral("saved as.ovr - Ovrin"));
        QCOMPARE(m_app->RecentFiles().Paths().mid(0, 2), (QStringList{saved, m_file}));
        Command(ID_FILE_OPEN, CloseDialog);
        QCOMPARE(Title(), QStringLiteral("saved as.ovr - Ovrin"));

        // Save with a name writes at once, with no dialog.
        AddEntry(Doc(), "delta");
        QCOMPARE(Command(ID_FILE_SAVE, Choose(Path("never.ovr"))), QString());
        QVERIFY(!Doc().IsModified());
        QVERIFY(!QFileInfo::exists(Path("never.ovr")));

        // A recent file opens from its menu item.
        Command(ID_FILE_NEW, [](QWidget*) {});
        Command(ID_FILE_MRU_FILE1 + 1, [](QWidget*) {});
        QCOMPARE(Title(), QStringLiteral("alpha.ovr - Ovrin"));
    }

    // A file that cannot be read is reported and the program ends without
    // a window.
    void startWithAMissingFile()
    {
        bool started = true;
        const QString box =
            AnswerModal([&] { started = Start({Path("missing.ovr")}) != nullptr; }, CloseDialog);
        QVERIFY(!box.isEmpty());
        QVERIFY(!started);
        QCOMPARE(m_app->ExitCode(), 1);
        QVERIFY(!m_app->MainFrame());
    }

    // Unsaved changes are asked about before they would be lost, by a new
    // document and by closing the window (Exit too): Cancel keeps
    // everything, No drops the changes, Yes saves them first.
    void saveChangesQuestion()
    {
        QVERIFY(Start({}));
        AddEntry(Doc(), "unsaved");
        QString text;
        QCOMPARE(Command(ID_FILE_NEW, Say(QMessageBox::Cancel, &text)), QStringLiteral("Ovrin"));
        QCOMPARE(text, QStringLiteral("Save changes to Untitled?"));
        QCOMPARE(Doc().m_nCount, 1);
        QVERIFY(Doc().IsModified());
        Command(ID_FILE_NEW, Say(QMessageBox::No));
        QCOMPARE(Doc().m_nCount, 0);
        QVERIFY(!Doc().IsModified());

        const QString copy = Path("yes.ovr");
        QVERIFY(QFile::copy(m_file, copy));
        QVERIFY(m_app->Files().OpenDocumentFile(copy));
        AddEntry(Doc(), "gamma");
        Command(ID_FILE_NEW, Say(QMessageBox::Yes, &text));
        QCOMPARE(text, QStringLiteral("Save changes to yes.ovr?"));
        QCOMPARE(Doc().m_nCount, 0);
        QCOMPARE(Title(), QStringLiteral("Untitled - Ovrin"));
        QVERIFY(m_app->Files().OpenDocumentFile(copy));
        QCOMPARE(Doc().m_nCount, 3);

        AddEntry(Doc(), "kept");
        AnswerModal([&] { Frame().close(); }, Say(QMessageBox::Cancel));
        QVERIFY(Frame().isVisible());
        QVERIFY(m_app->OpenChannel()->IsListening());
        AnswerModal([&] { Frame().ExecuteCommand(ID_APP_EXIT); }, Say(QMessageBox::No));
        QVERIFY(!Frame().isVisible());
        QVERIFY(!m_app->OpenChannel()->IsListening());
    }

    // Save of an untitled document asks for a name. Guards against immediate
    // saves going to the file read before Save As (G never receiving them,
    // the modified flag cleared all the same), and against an untitled
    // document never being written by them once saved.
    void saveImmediateFollowsSaveAs()
    {
        QVERIFY(Start({}));
        Frame().ExecuteCommand(ID_OPTIONS_SAVE_IMMEDIATE);
        QVERIFY(Doc().m_bSaveImmediate);
        const QString f = Path("f.ovr"), g = Path("g.ovr"), u = Path("u.ovr");

        AddThroughDialog(QStringLiteral("first"));
        QVERIFY(Doc().IsModified());
        Command(ID_FILE_SAVE, Choose(u));
        AddThroughDialog(QStringLiteral("second"));
        QVERIFY(!Doc().IsModified());
        QCOMPARE(KeyWordsIn(u), (std::vector<std::string>{"first", "second"}));

        Command(ID_FILE_SAVE_AS, Choose(f));
        Command(ID_FILE_OPEN, Choose(f));
        Command(ID_FILE_SAVE_AS, Choose(g));
        QCOMPARE(Title(), QStringLiteral("g.ovr - Ovrin"));
        AddThroughDialog(QStringLiteral("third"));
        QVERIFY(!Doc().IsModified());
        QCOMPARE(KeyWordsIn(g), (std::vector<std::string>{"first", "second", "third"}));
        QCOMPARE(KeyWordsIn(f), (std::vector<std::string>{"first", "second"}));
        Frame().ExecuteCommand(ID_OPTIONS_SAVE_IMMEDIATE);
    }

    // A request that comes while the question of a closing window is up is
    // taken at once and keeps the window open for its file, even when the
    // answer was to close.
    void requestDuringCloseQuestionKeepsTheWindow()
    {
        QVERIFY(Start({}));
        AddEntry(Doc(), "pending");
        std::future<COpenChannel::HandOver> answer;
        AnswerModal([&] { Frame().close(); }, [&](QWidget* box) {
            answer = SendLater(m_file);
            QTest::qWait(500);  // the request waits behind the question
            Say(QMessageBox::No)(box);
        });
        QVERIFY(Answered(answer));
        QCOMPARE(answer.get(), COpenChannel::HandOver::Taken);
        QVERIFY(QTest::qWaitFor([&] { return Title() == QStringLiteral("alpha.ovr - Ovrin"); }));
        QVERIFY(Frame().isVisible());
    }

    // Started to wait for requests, the program shows no window until the
    // first file comes; a file it cannot read is reported by the program.
    // A second such start ends at once.
    void waitingForRequests()
    {
        QVERIFY(Start({QStringLiteral("/dde")}));
        QVERIFY(!m_app->MainFrame());
        {
            COvrinApp second;
            QVERIFY(!second.InitInstance({QStringLiteral("-DDE")}));
            QCOMPARE(second.ExitCode(), 0);
        }
        auto answer = SendLater(m_file);
        QVERIFY(Answered(answer));
        QCOMPARE(answer.get(), COpenChannel::HandOver::Taken);
        QVERIFY(QTest::qWaitFor([&] { return m_app->MainFrame() != nullptr; }));
        QCOMPARE(Title(), QStringLiteral("alpha.ovr - Ovrin"));
        answer = SendLater(Path("missing.ovr"));
        const QString shown = AnswerModal([&] { QVERIFY(Answered(answer)); QTest::qWait(500); }, CloseDialog);
        QCOMPARE(answer.get(), COpenChannel::HandOver::Taken);
        QCOMPARE(shown, QStringLiteral("Ovrin"));
    }

    // Hidden status bar and a tool bar moved to the left come back with the
    // next start, also from the bar records alone.
    void barStateComesBack()
    {
        QVERIFY(Start({}));
        Frame().ExecuteCommand(ID_VIEW_STATUS_BAR);
        Frame().addToolBar(Qt::LeftToolBarArea, Frame().ToolBar());
        Frame().close();

        QVERIFY(Start({}));
        QVERIFY(Frame().statusBar()->isHidden());
        QVERIFY(!Frame().Actions().action(ID_VIEW_STATUS_BAR)->isChecked());
        QCOMPARE(Frame().toolBarArea(Frame().ToolBar()), Qt::LeftToolBarArea);
        Frame().ExecuteCommand(ID_VIEW_STATUS_BAR);
        Frame().close();

        CProfile().remove(QStringLiteral("Ovrin-Summary/Layout"));
        QVERIFY(Start({}));
        QVERIFY(!Frame().statusBar()->isHidden());
        QCOMPARE(Frame().toolBarArea(Frame().ToolBar()), Qt::LeftToolBarArea);
    }
};

OVRIN_WIDGET_TEST_MAIN(AppWindowTest)
#include "app_window_test.moc"
