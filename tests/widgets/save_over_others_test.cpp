// SPDX-License-Identifier: MIT
// File/Save in the window when the file is no longer the one it read:
// another program's version, or a file that became read-only.
#include <deque>
#include <functional>

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>

#include <sys/stat.h>

#include "app_fixture.h"
#include "doc/command_ids.h"

using app_fixture::RunningApp;
using Answer = std::function<void(QWidget*)>;

namespace {

// Runs action and hands each modal window it opens, one after another, to
// the next answer; returns each window's text or title.
QStringList AnswerInTurn(const std::function<void()>& action, std::deque<Answer> answers)
{
    QStringList seen;
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
        QTimer::singleShot(0, modal, [answer = answers.front(), modal] { answer(modal); });
        answers.pop_front();
    });
    timer.start();
    action();
    return seen;
}

Answer Press(const QString& button)
{
    return [button](QWidget* w) {
        for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
            if (b->text() == button)
                return b->click();
        QFAIL(qPrintable(QStringLiteral("no button ") + button));
    };
}

QByteArray Contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class SaveOverOthersTest final : public QObject {
    Q_OBJECT

private slots:
    // Guards the question's way through the window: it names the file;
    // Save As leads to the Save As dialog, Cancel to nothing; the other
    // program's version stays and the document stays modified.
    void anotherVersionIsKeptOrSavedElsewhere()
    {
        RunningApp app({Entry{"alpha", "about alpha"}});
        QVERIFY(app.Started());
        QTest::qWait(20);
        const QString theirs = app.TempPath("theirs.ovr");
        QVERIFY(app_fixture::WriteDocument(theirs, {{"omega", "about omega"}}));
        QVERIFY(::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(app.Path()).constData()) == 0);
        const QByteArray other = Contents(app.Path());
        app.Doc().SetModifiedFlag(true);
        const auto save = [&] { app.Frame().ExecuteCommand(cmd::ID_FILE_SAVE); };

        const QStringList seen = AnswerInTurn(save, {Press(QStringLiteral("Save &As...")), test_support::CloseDialog});
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[0].contains(QDir::toNativeSeparators(app.Path())), qPrintable(seen[0]));
        QCOMPARE(seen[1], QStringLiteral("Save As"));
        const Answer cancel = [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Cancel)->click(); };
        QCOMPARE(AnswerInTurn(save, {cancel}).size(), 1);
        QCOMPARE(Contents(app.Path()), other);
        QVERIFY(app.Doc().IsModified());
    }

    // Guards against File/Save reporting a failure, instead of asking for a
    // name, for a file that lost its write bits after it was opened (root
    // may write it, but the save never replaces a read-only file).
    void fileMadeReadOnlyAsksForAName()
    {
        RunningApp app({Entry{"alpha", "about alpha"}});
        QVERIFY(app.Started());
        QVERIFY(::chmod(QFile::encodeName(app.Path()).constData(), 0444) == 0);
        app.Doc().SetModifiedFlag(true);
        const QStringList seen =
            AnswerInTurn([&] { app.Frame().ExecuteCommand(cmd::ID_FILE_SAVE); }, {test_support::CloseDialog});
        QCOMPARE(seen, QStringList{QStringLiteral("Save As")});
    }
};

OVRIN_WIDGET_TEST_MAIN(SaveOverOthersTest)
#include "save_over_others_test.moc"
