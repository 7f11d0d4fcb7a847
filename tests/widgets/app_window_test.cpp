// SPDX-License-Identifier: MIT
// The whole program in process, its dialogs answered as a user would.
#include <fstream>
#include <future>

#include <QWindow>
#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include "gui/dialogs/long_text_field.h"
#include "gui/app/file_commands.h"
#include "gui/app/open_channel.h"
#include "gui/app/recent_file_list.h"
#include "app_fixture.h"
#include "core/document/command_ids.h"
#include "gui/frame/profile.h"
#include "gui/res/command_actions.h"
#include "gui/view/ovrin_view.h"

using namespace cmd;
using test_support::AnswerModal;
using test_support::CloseDialog;
using Answer = std::function<void(QWidget*)>;

namespace {
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

Answer Choose(const QString& path)
{
    return [=](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        QVERIFY(dialog);
        // The dialog applies its initial name once its folder is read, replacing ours: let that happen first.
        if (auto* model = dialog->findChild<QFileSystemModel*>()) {
            bool loaded = false;
            const QMetaObject::Connection c = QObject::connect(
                model, &QFileSystemModel::directoryLoaded, [&loaded] { loaded = true; });
            (void)QTest::qWaitFor([&loaded] { return loaded; }, 1000);
            QObject::disconnect(c);
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    };
}

const std::string kDamaged("\x00\x00\x0B\x01\x08" "010b0000" "\x05\x00\x00\x00" "\x03" "ab", 19);

void AddEntry(COvrinDoc& doc, const std::string& keyWords)
{
    std::vector<Entry> entries = EntriesOf(doc);
    entries.push_back({keyWords, "about " + keyWords});
    SetEntries(doc, entries);
    doc.SetCurrent(doc.Count() - 1);
    doc.SetModifiedFlag(true);
}

// A later start asking the running program to open path; it blocks.
std::future<COpenChannel::HandOver> SendLater(const QString& path)
{
    return std::async(std::launch::async, [folder = COpenChannel::DefaultFolder(), path] {
        return COpenChannel::SendOpenRequest(folder, path.toStdString(), 20000);
    });
}

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

    COvrinApp* Start(const QStringList& arguments)
    {
        m_app.reset();  // one program at a time, as on the desktop
        m_app = std::make_unique<COvrinApp>();
        return m_app->InitInstance(arguments) ? m_app.get() : nullptr;
    }
    CMainFrame& Frame() { return *m_app->MainFrame(); }
    COvrinDoc& Doc() { return m_app->Document(); }
    // As the window manager shows it, with Qt's mark of unsaved changes.
    QString Title() { return Frame().windowHandle()->title(); }
    QString Command(int id, const Answer& answer)
    {
        return AnswerModal([&] { Frame().ExecuteCommand(id); }, answer);
    }
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

    // Open and Save As move the title and recent files; a gone recent file is reported, leaves the list,
    // the document kept; a damaged file leaves an empty untitled document.
    void filesThroughTheWindow()
    {
        const QString gone = Path("gone.ovr");
        QVERIFY(QFile::copy(m_file, gone));
        QVERIFY(Start({gone}));
        QCOMPARE(Command(ID_FILE_OPEN, Choose(m_file)), QStringLiteral("Open"));
        QCOMPARE(m_app->RecentFiles().Paths().mid(0, 2), (QStringList{m_file, gone}));
        QVERIFY(QFile::remove(gone));
        QVERIFY(!Command(ID_FILE_MRU_FILE1 + 1, CloseDialog).isEmpty());
        QVERIFY(!m_app->RecentFiles().Paths().contains(gone));
        QCOMPARE(Title(), QStringLiteral("alpha.ovr - Ovrin"));
        QCOMPARE(Doc().Count(), 2);

        const QString saved = Path("saved as.ovr");
        QCOMPARE(Command(ID_FILE_SAVE_AS, Choose(saved)), QStringLiteral("Save As"));
        QCOMPARE(Title(), QStringLiteral("saved as.ovr - Ovrin"));
        QCOMPARE(m_app->RecentFiles().Paths().mid(0, 2), (QStringList{saved, m_file}));
        Command(ID_FILE_OPEN, CloseDialog);
        QCOMPARE(Title(), QStringLiteral("saved as.ovr - Ovrin"));
        Command(ID_FILE_MRU_FILE1 + 1, [](QWidget*) {});
        QCOMPARE(Title(), QStringLiteral("alpha.ovr - Ovrin"));

        // ".." after a link leads into the link's target, as for the kernel, not back to its folder.
        const QDir top(m_dir.path());
        QVERIFY(top.mkpath(QStringLiteral("real/sub")) && top.mkpath(QStringLiteral("here")));
        QVERIFY(QFile::link(Path("real/sub"), Path("here/link")));
        QVERIFY(QFile::copy(m_file, Path("real/linked.ovr")));
        QVERIFY(WriteEntries(Path("here/linked.ovr").toStdString(), {{"decoy", ""}}).ok);
        const QString viaLink = Path("here/link/../linked.ovr");
        QVERIFY(m_app->Files().OpenDocumentFile(viaLink));
        QCOMPARE(Doc().Count(), 2);
        QCOMPARE(m_app->RecentFiles().Paths().constFirst(), viaLink);

        std::ofstream(Path("damaged.ovr").toStdString(), std::ios::binary) << kDamaged;
        QVERIFY(!AnswerModal([&] { m_app->Files().OpenDocumentFile(Path("damaged.ovr")); }, CloseDialog).isEmpty());
        QCOMPARE(Doc().Count(), 0);
        QCOMPARE(Title(), QStringLiteral("Untitled - Ovrin"));

        // Unsaved changes mark the title until they are saved.
        AddThroughDialog(QStringLiteral("gamma"));
        QCOMPARE(Title(), QStringLiteral("Untitled* - Ovrin"));
        QCOMPARE(Command(ID_FILE_SAVE, Choose(Path("marked [*].ovr"))), QStringLiteral("Save As"));
        QCOMPARE(Title(), QStringLiteral("marked [*].ovr - Ovrin"));
        Command(ID_ENTRY_DELETE, [](QWidget*) {});
        QCOMPARE(Command(ID_FILE_SAVE, CloseDialog), QString());
        QCOMPARE(Title(), QStringLiteral("marked [*].ovr - Ovrin"));
        Command(ID_ENTRY_UNDO, [](QWidget*) {});
        QCOMPARE(Title(), QStringLiteral("marked [*].ovr* - Ovrin"));
    }

    // File/Merge after Save As brings in what is lacking, keeps the current entry, says how many came,
    // and the redraw leaves that standing; a damaged file is reported as Open does, changing nothing.
    void mergeThroughTheWindow()
    {
        const QString mine = Path("mine.ovr");
        const QString copy = Path("mine (conflicted copy).ovr");
        QVERIFY(WriteEntries(mine.toStdString(), {{"alpha", "about alpha"}, {"beta", "about beta"}}).ok);
        QVERIFY(WriteEntries(copy.toStdString(), {{"alpha", "about alpha"}, {"Gamma", "new"}}).ok);
        QVERIFY(Start({mine}));
        const QList<QAction*> file = Frame().menuBar()->actions().constFirst()->menu()->actions();
        QCOMPARE(file.indexOf(Frame().Actions().action(ID_FILE_MERGE)),
                 file.indexOf(Frame().Actions().action(ID_FILE_SAVE_AS)) + 1);
        Doc().SetCurrent(1);

        QCOMPARE(Command(ID_FILE_MERGE, Choose(copy)), QStringLiteral("Merge"));
        QCOMPARE(Doc().KeyWords()[Doc().Current()], std::string_view("beta"));
        for (COvrinView* view : Frame().Views())
            view->viewport()->repaint();
        QCOMPARE(Frame().MessageText(),
                 QStringLiteral("1 entry came in from mine (conflicted copy).ovr; 1 was here already."));

        std::ofstream(Path("damaged.ovr").toStdString(), std::ios::binary) << kDamaged;
        QString said;
        AnswerModal([&] { m_app->Files().MergeFile(Path("damaged.ovr")); }, Say(QMessageBox::Ok, &said));
        QCOMPARE(said, QStringLiteral("Unexpected file format."));
        QCOMPARE(Title(), QStringLiteral("mine.ovr* - Ovrin"));
    }

    // Newest first, at most four, one entry for two spellings ("." and doubled slashes; ".." is the kernel's);
    // removing beyond the list does nothing; the menu numbers, keeps '&' literal and shortens long paths.
    void recentFiles()
    {
        CRecentFileList list(4);
        for (const char* name : {"/d/a.ovr", "/d/b.ovr", "/d/c.ovr", "/d/e.ovr", "/d/f.ovr"})
            list.Add(QString::fromLatin1(name));
        QCOMPARE(list.Paths(), (QStringList{"/d/f.ovr", "/d/e.ovr", "/d/c.ovr", "/d/b.ovr"}));
        list.Add(QStringLiteral("/d/.//c.ovr"));
        list.Remove(1);
        list.Remove(7);
        QCOMPARE(list.Paths(), (QStringList{"/d/c.ovr", "/d/e.ovr", "/d/b.ovr"}));
        list.Add(QStringLiteral("/home/user/documents/projects/2026/R&D notes.ovr"));
        QCOMPARE(list.MenuTexts().mid(0, 2),
                 (QStringList{"&1 /.../2026/R&&D notes.ovr", "&2 /d/c.ovr"}));
    }

    // One enabled File menu item per recent file; with none a grayed "Recent File".
    void recentFileItems()
    {
        QVERIFY(Start({}));
        const auto shown = [&] {
            QStringList texts;
            for (int i = 0; i < kRecentFileCount; ++i)
                if (QAction* a = Frame().Actions().action(ID_FILE_MRU_FILE1 + i); a->isVisible())
                    texts << a->text();
            return texts;
        };
        const QStringList four{"&1 a", "&2 b", "&3 c", "&4 d"};
        for (qsizetype n = 0; n <= four.size(); ++n) {
            Frame().SetRecentFileTexts(four.mid(0, n));
            QCOMPARE(shown(), n == 0 ? QStringList{"Recent File"} : four.mid(0, n));
        }

        CRecentFileList& recent = m_app->RecentFiles();
        while (!recent.Paths().isEmpty())
            recent.Remove(0);
        const auto enabled = [&] {
            Frame().RefreshCommandStates();
            QList<bool> states;
            for (int i = 0; i < kRecentFileCount; ++i)
                states << Frame().Actions().action(ID_FILE_MRU_FILE1 + i)->isEnabled();
            return states;
        };
        QCOMPARE(enabled(), (QList<bool>{false, false, false, false}));
        for (const char* name : {"/d.ovr", "/c.ovr", "/b.ovr", "/a.ovr"})
            recent.Add(QString::fromLatin1(name));
        QCOMPARE(enabled(), (QList<bool>{true, true, true, true}));
    }

    // New and Exit ask about unsaved changes: Cancel keeps all, No drops the changes, Yes saves first.
    void saveChangesQuestion()
    {
        QVERIFY(Start({}));
        AddEntry(Doc(), "unsaved");
        QString text;
        QCOMPARE(Command(ID_FILE_NEW, Say(QMessageBox::Cancel, &text)), QStringLiteral("Ovrin"));
        QCOMPARE(text, QStringLiteral("Save changes to Untitled?"));
        QCOMPARE(Doc().Count(), 1);
        Command(ID_FILE_NEW, Say(QMessageBox::No));
        QCOMPARE(Doc().Count(), 0);

        const QString copy = Path("yes.ovr");
        QVERIFY(QFile::copy(m_file, copy));
        QVERIFY(m_app->Files().OpenDocumentFile(copy));
        AddEntry(Doc(), "gamma");
        Command(ID_FILE_NEW, Say(QMessageBox::Yes, &text));
        QCOMPARE(text, QStringLiteral("Save changes to yes.ovr?"));
        QVERIFY(m_app->Files().OpenDocumentFile(copy));
        QCOMPARE(Doc().Count(), 3);

        AddEntry(Doc(), "kept");
        AnswerModal([&] { Frame().ExecuteCommand(ID_APP_EXIT); }, Say(QMessageBox::No));
        QVERIFY(!Frame().isVisible());
        QVERIFY(!m_app->OpenChannel()->IsListening());
    }

    // Immediate saves go to the file last saved as, also once an untitled document has its name.
    void saveImmediateFollowsSaveAs()
    {
        QVERIFY(Start({}));
        Frame().ExecuteCommand(ID_OPTIONS_SAVE_IMMEDIATE);
        const QString f = Path("f.ovr"), g = Path("g.ovr"), u = Path("u.ovr");

        AddThroughDialog(QStringLiteral("first"));
        Command(ID_FILE_SAVE, Choose(u));
        AddThroughDialog(QStringLiteral("second"));
        QVERIFY(m_app->Files().OpenDocumentFile(u));
        QCOMPARE(Doc().Count(), 2);

        Command(ID_FILE_SAVE_AS, Choose(f));
        Command(ID_FILE_OPEN, Choose(f));
        Command(ID_FILE_SAVE_AS, Choose(g));
        AddThroughDialog(QStringLiteral("third"));
        QVERIFY(m_app->Files().OpenDocumentFile(f));
        QCOMPARE(Doc().Count(), 2);
        QVERIFY(m_app->Files().OpenDocumentFile(g));
        QCOMPARE(Doc().Count(), 3);
        Frame().ExecuteCommand(ID_OPTIONS_SAVE_IMMEDIATE);
    }

    // A request taken while a closing window asks about changes keeps it open for its file, even on close.
    void requestDuringCloseQuestionKeepsTheWindow()
    {
        QVERIFY(Start({}));
        AddEntry(Doc(), "pending");
        std::future<COpenChannel::HandOver> answer;
        AnswerModal([&] { Frame().close(); }, [&](QWidget* box) {
            answer = SendLater(m_file);
            QTest::qWait(500);
            Say(QMessageBox::No)(box);
        });
        QVERIFY(Answered(answer));
        QVERIFY(QTest::qWaitFor([&] { return Title() == QStringLiteral("alpha.ovr - Ovrin"); }));
    }

    // Started to wait for requests, no window shows until the first file; a second such start ends at once.
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
    }
};

OVRIN_WIDGET_TEST_MAIN(AppWindowTest)
#include "app_window_test.moc"
