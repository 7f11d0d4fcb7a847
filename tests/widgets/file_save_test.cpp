// SPDX-License-Identifier: MIT
// Saving through the real program: File/Open, File/Save As and the
// "Save immediate" option driven by their commands and file dialogs, on real
// files.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/file_commands.h"
#include "app/ovrin_app.h"
#include "doc/command_ids.h"
#include "doc/document_file.h"
#include "doc/ovrin_doc.h"
#include "frame/main_frame.h"
#include "res/command_actions.h"
#include "widget_test_support.h"

using namespace cmd;

namespace {

using Answer = std::function<void(QWidget*)>;

// Runs `action`; each modal window it opens, one after another (a file
// dialog, then its question about replacing, then a message), is handed to
// the next answer. Returns the titles or texts of the windows seen.
QStringList AnswerModals(const std::function<void()>& action, std::deque<Answer> answers)
{
    QStringList seen;
    // A window answered once may still be the active one for a moment (a
    // file dialog while its question about replacing closes). Dialogs live
    // on the stack one after another, often at one address, hence pointers
    // that forget a window when it is gone.
    QList<QPointer<QWidget>> answered;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || answered.contains(modal) || answers.empty())
            return;
        answered << modal;
        auto* box = qobject_cast<QMessageBox*>(modal);
        seen << (box ? box->text() : modal->windowTitle());
        Answer answer = std::move(answers.front());
        answers.pop_front();
        // Answered once this tick is over: a window that the answer opens
        // (the question about replacing) needs the timer free to be seen.
        QTimer::singleShot(0, modal, [answer, modal] { answer(modal); });
    });
    timer.start();
    action();
    timer.stop();
    return seen;
}

Answer ChooseFile(const QString& path)
{
    return [path](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        QVERIFY(dialog);
        // Typed as a user would: selectFile leaves a focused name field alone.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();  // as the Save or Open button does
    };
}

Answer Press(QMessageBox::StandardButton which)
{
    return [which](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        QVERIFY(box);
        box->button(which)->click();
    };
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

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class FileSaveTest final : public QObject {
    Q_OBJECT

    COvrinApp* m_app = nullptr;
    QTemporaryDir m_dir;

    CMainFrame& Frame() { return *m_app->MainFrame(); }
    COvrinDoc& Doc() { return m_app->Document(); }
    QAction* Action(int id) { return Frame().Actions().action(id); }
    QString PathOf(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    void AddEntry(const QString& keyWords)
    {
        AnswerModals([&] { Action(ID_ENTRY_ADD)->trigger(); },
                     {[keyWords](QWidget* w) {
                         w->findChild<QLineEdit*>(QStringLiteral("keyWords"))->setText(keyWords);
                         qobject_cast<QDialog*>(w)->accept();
                     }});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_app = new COvrinApp;
        QVERIFY(m_app->InitInstance({}));
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
    }

    void cleanupTestCase()
    {
        Doc().SetModifiedFlag(false);
        delete m_app;
    }

    // Guards against immediate saves going to the file read before Save As
    // (G never receiving them, the modified flag cleared all the same), and
    // against an untitled document never being written by them once saved.
    void saveImmediateFollowsSaveAs()
    {
        Action(ID_OPTIONS_SAVE_IMMEDIATE)->trigger();
        QVERIFY(Doc().m_bSaveImmediate);
        const QString f = PathOf("f.ovr"), g = PathOf("g.ovr"), u = PathOf("u.ovr");

        AddEntry(QStringLiteral("first"));
        QVERIFY(Doc().IsModified());
        AnswerModals([&] { Action(ID_FILE_SAVE)->trigger(); }, {ChooseFile(u)});
        AddEntry(QStringLiteral("second"));
        QVERIFY(!Doc().IsModified());
        QCOMPARE(KeyWordsIn(u), (std::vector<std::string>{"first", "second"}));

        AnswerModals([&] { Action(ID_FILE_SAVE_AS)->trigger(); }, {ChooseFile(f)});
        AnswerModals([&] { Action(ID_FILE_OPEN)->trigger(); }, {ChooseFile(f)});
        AnswerModals([&] { Action(ID_FILE_SAVE_AS)->trigger(); }, {ChooseFile(g)});
        QCOMPARE(Frame().windowTitle().left(5), QStringLiteral("g.ovr"));
        AddEntry(QStringLiteral("third"));
        QVERIFY(!Doc().IsModified());
        QCOMPARE(KeyWordsIn(g), (std::vector<std::string>{"first", "second", "third"}));
        QCOMPARE(KeyWordsIn(f), (std::vector<std::string>{"first", "second"}));
        Action(ID_OPTIONS_SAVE_IMMEDIATE)->trigger();
    }

    // Guards against Save As replacing a read-only file once the user
    // answers "Replace": the save is refused with a message naming the
    // reason, and the file, the document's name and its flag stay.
    void saveAsOntoReadOnlyFileIsRefused()
    {
        const QString g = PathOf("g.ovr"), r = PathOf("r.ovr");
        QFile::copy(g, r);
        QFile::setPermissions(r, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        const QByteArray before = Contents(r);
        AddEntry(QStringLiteral("fourth"));
        QVERIFY(Doc().IsModified());
        const QStringList seen = AnswerModals([&] { Action(ID_FILE_SAVE_AS)->trigger(); },
                                              {ChooseFile(r), Press(QMessageBox::Yes),
                                               Press(QMessageBox::Ok)});
        QCOMPARE(seen.size(), 3);
        QVERIFY2(seen[2].contains(QStringLiteral("read-only")), qPrintable(seen[2]));
        QCOMPARE(Contents(r), before);
        QCOMPARE(Doc().GetPathName(), g.toStdString());
        QVERIFY(Doc().IsModified());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files).size(), 4);
        Doc().SetModifiedFlag(false);
    }
};

OVRIN_WIDGET_TEST_MAIN(FileSaveTest)
#include "file_save_test.moc"
