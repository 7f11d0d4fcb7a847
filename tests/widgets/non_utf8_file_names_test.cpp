// SPDX-License-Identifier: MIT
// A file name that is not valid UTF-8 reaches the file system with its exact
// bytes, beside a file whose name Qt would decode to the same text: from the
// command line, on Save, from the recent-file list, dropped on the window and
// handed over by a later start (the real `ovrin`).
#include <QDropEvent>
#include <QMimeData>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>

#include "../common/child_program.h"
#include "app/file_commands.h"
#include "app/path_text.h"
#include "app_fixture.h"
#include "frame/profile.h"

using namespace app_fixture;

namespace {

std::vector<std::string> KeyWordsIn(const std::string& path)
{
    std::vector<std::string> keys;
    ReadDocumentEntries(path, [&](int, std::string_view k, std::string_view, std::string_view) {
        keys.emplace_back(k);
    });
    return keys;
}

}  // namespace

class NonUtf8FileNamesTest final : public QObject {
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
        const auto shows = [](COvrinApp& app, const char* keyWords) {
            return QTest::qWaitFor([&] { return app.Document().m_arrKeyWords[0] == keyWords; }, 5000);
        };

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
        QVERIFY(shows(app, "bytes"));
        QCOMPARE(app.MainFrame()->windowTitle(), QString::fromUtf8("x\xef\xbf\xbd.ovr - Ovrin"));

        app.Document().m_arrKeyWords.push_back("saved");
        app.Document().m_arrDescriptions.push_back("");
        app.Document().m_arrDates.push_back("1.1.2026");
        app.Document().m_nCount = 2;
        app.Document().SetModifiedFlag(true);
        QVERIFY(app.Files().OnFileSave());
        QCOMPARE(KeyWordsIn(invalid), (std::vector<std::string>{"bytes", "saved"}));
        QCOMPARE(KeyWordsIn(lookalike), std::vector<std::string>{"lookalike"});

        // The profile file gives back the bytes (read from a copy: this
        // process keeps what it wrote in memory).
        QVERIFY(app.Files().OpenDocumentFile(DecodePath(lookalike)));
        const QString copy = dir.filePath(QStringLiteral("profile.conf"));
        QVERIFY(QFile::copy(CProfile().fileName(), copy));
        QSettings nextStart(copy, QSettings::IniFormat);
        CRecentFileList stored(4);
        stored.ReadList(nextStart);
        QCOMPARE(EncodePath(stored.Paths().value(1)), invalid);
        QVERIFY(app.Files().OnOpenRecentFile(1));
        QVERIFY(shows(app, "bytes"));

        QVERIFY(app.Files().OpenDocumentFile(DecodePath(lookalike)));
        QMimeData dropped;
        dropped.setUrls({QUrl(QStringLiteral("file://") +
                              QString::fromLatin1(QByteArray::fromStdString(invalid).toPercentEncoding("/")))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.MainFrame(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.MainFrame(), &drop);
        QVERIFY(shows(app, "bytes"));

        if (OvrinBinary().empty())
            QSKIP("OVRIN_BINARY is not set");
        QVERIFY(app.Files().OpenDocumentFile(DecodePath(lookalike)));
        const pid_t later = StartChild({OvrinBinary(), invalid});
        const std::optional<int> status = ChildStatus(later, 5000, [] { QTest::qWait(20); });
        EndChild(later);
        QCOMPARE(status, std::optional<int>(0));
        QVERIFY(shows(app, "bytes"));
    }
};

OVRIN_WIDGET_TEST_MAIN(NonUtf8FileNamesTest)
#include "non_utf8_file_names_test.moc"
