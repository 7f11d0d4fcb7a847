// SPDX-License-Identifier: MIT
// A non-UTF-8 file name keeps its bytes (beside a look-alike) via command line, Save, recent files, drop,
// a later start and a dialog showing U+FFFD; a first start on an unopenable file says why.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>

#include "../common/child_program.h"
#include "gui/app/file_commands.h"
#include "gui/app/path_text.h"
#include "app_fixture.h"
#include "core/document/command_ids.h"
#include "gui/frame/profile.h"

using namespace app_fixture;

namespace {
bool Shows(COvrinApp& app, const char* keyWords)
{
    const COvrinDoc& doc = app.Document();
    return QTest::qWaitFor([&] { return doc.Count() > 0 && doc.KeyWords()[0] == keyWords; }, 5000);
}
}  // namespace

class FileHandOverTest final : public QObject {
    Q_OBJECT

private slots:
    void pathsKeepTheirBytes()
    {
        QTemporaryDir dir;
        const std::string invalid = dir.path().toStdString() + "/x\xff.ovr";
        const std::string lookalike = dir.path().toStdString() + "/x\xef\xbf\xbd.ovr";
        // QTemporaryDir cannot remove a name it cannot decode.
        const auto removeInvalid = qScopeGuard([&] { unlink(invalid.c_str()); });
        QVERIFY(WriteEntries(invalid, {{"bytes", ""}}).ok);
        QVERIFY(WriteEntries(lookalike, {{"lookalike", ""}}).ok);

        COvrinApp app;
        bool started = false;
        const QString message = test_support::AnswerModal(
            [&] {
                std::string program = "ovrin-window", file = invalid;
                char* argv[] = {program.data(), file.data(), nullptr};
                started = app.InitInstance(2, argv);
            },
            test_support::CloseDialog);
        QVERIFY2(started, qPrintable(message));
        QVERIFY(Shows(app, "bytes"));
        QCOMPARE(app.MainFrame()->windowHandle()->title(), QString::fromUtf8("x\xef\xbf\xbd.ovr - Ovrin"));

        app.Document().RewriteEntry(0, 0, {"saved", app.Document().Descriptions()[0], app.Document().Dates()[0]});
        app.Document().SetModifiedFlag(true);
        QVERIFY(app.Files().OnFileSave());
        QVERIFY(ReadBytes(invalid).find("saved") != std::string::npos);
        QVERIFY(ReadBytes(lookalike).find("saved") == std::string::npos);

        // The profile file gives back the bytes (read from a copy: this process caches what it wrote).
        QVERIFY(app.Files().OpenDocumentFile(DecodePath(lookalike)));
        const QString copy = dir.filePath(QStringLiteral("profile.conf"));
        QVERIFY(QFile::copy(CProfile().fileName(), copy));
        QSettings nextStart(copy, QSettings::IniFormat);
        CRecentFileList stored(4);
        stored.ReadList(nextStart);
        QCOMPARE(EncodePath(stored.Paths().value(1)), invalid);
        QVERIFY(app.Files().OnOpenRecentFile(1));
        QVERIFY(Shows(app, "saved"));

        QVERIFY(app.Files().OpenDocumentFile(DecodePath(lookalike)));
        QMimeData dropped;
        dropped.setUrls({QUrl(QStringLiteral("file://") +
                              QString::fromLatin1(QByteArray::fromStdString(invalid).toPercentEncoding("/")))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.MainFrame(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.MainFrame(), &drop);
        QVERIFY(Shows(app, "saved"));
    }

    // A later start during a modal dialog ("Save changes?") is taken and ends; the file opens after it.
    void laterStartDuringADialogReturnsAtOnce()
    {
        if (OvrinBinary().empty())
            QSKIP("OVRIN_BINARY is not set");
        RunningApp app(std::vector<Entry>{{"alpha", "one"}});
        QVERIFY(app.Started());
        const std::string other = app.TempPath("x").toStdString() + "\xff.ovr";
        const auto removeOther = qScopeGuard([&] { unlink(other.c_str()); });
        QVERIFY(WriteEntries(other, {{"bytes", ""}}).ok);
        app.Doc().SetModifiedFlag(true);
        test_support::AnswerModal(
            [&] { app.Frame().ExecuteCommand(cmd::ID_FILE_NEW); }, [&](QWidget* dialog) {
                const pid_t later = StartChild({OvrinBinary(), other});
                const std::optional<int> status = ChildStatus(later, 3000, [] { QTest::qWait(20); });
                EndChild(later);
                QCOMPARE(status, std::optional<int>(0));
                QCOMPARE(app.Frame().windowHandle()->title(), QStringLiteral("notes.ovr* - Ovrin"));
                auto* box = qobject_cast<QMessageBox*>(dialog);
                QVERIFY(box);
                box->button(QMessageBox::No)->click();
            });
        QVERIFY(Shows(app.App(), "bytes"));
    }

    // A first start on an unopenable file shows why, ends with 1, and tells stderr too if a terminal.
    void failedOpenIsToldInTheTerminal()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
        const int savedErr = dup(STDERR_FILENO);
        QVERIFY(terminal >= 0 && savedErr >= 0 && dup2(terminal, STDERR_FILENO) == STDERR_FILENO);
        bool started = true;
        int code = 0;
        QString shown;
        {
            COvrinApp app;
            std::string program = "ovrin-window", file = "/nonexistent/nope.ovr";
            char* argv[] = {program.data(), file.data(), nullptr};
            shown = test_support::AnswerModal([&] { started = app.InitInstance(2, argv); },
                                              test_support::CloseDialog);
            code = app.ExitCode();
        }
        dup2(savedErr, STDERR_FILENO);
        close(savedErr);
        close(terminal);
        QVERIFY(!shown.isEmpty());
        QVERIFY(!started);
        QCOMPARE(code, 1);
        QByteArray said(4096, '\0');
        pollfd ready{master, POLLIN, 0};
        const ssize_t n = poll(&ready, 1, 2000) == 1 ? read(master, said.data(), said.size()) : 0;
        close(master);
        said.truncate(std::max<ssize_t>(n, 0));
        QVERIFY2(said.contains("ovrin: ") && said.contains("nope.ovr"), said.constData());
    }

    void pickIsMatchedWithTheRealNames()
    {
        QTemporaryDir dir;
        const std::string folder = dir.path().toStdString() + "/";
        const QString seen = dir.path() + QStringLiteral("/x\uFFFD.ovr");
        QCOMPARE(PickedPath(seen), seen);  // a new name, saved as typed
        WriteBytes(folder + "x\xff.ovr", "");
        QCOMPARE(EncodePath(PickedPath(seen)), folder + "x\xff.ovr");
        WriteBytes(folder + "x\xef\xbf\xbd.ovr", "");  // the same look, in UTF-8
        QVERIFY(PickedPath(seen).isEmpty());
        const QString plain = dir.path() + QStringLiteral("/plain.ovr");
        QCOMPARE(PickedPath(plain), plain);
    }
};

OVRIN_WIDGET_TEST_MAIN(FileHandOverTest)
#include "file_hand_over_test.moc"
