// SPDX-License-Identifier: MIT
// File/Save in the window when its file is no longer the one it read.
#include <deque>

#include <QAbstractButton>
#include <QFile>
#include <QMessageBox>

#include <sys/stat.h>

#include "app_fixture.h"
#include "doc/command_ids.h"

namespace {

// Runs File/Save and hands each modal window it opens, in turn, to the next
// answer; returns each window's text or title.
QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList Save(CMainFrame& frame, std::deque<std::function<void(QWidget*)>> answers)
{
    QStringList seen;
    QList<QPointer<QWidget>> answered;
    QTimer timer;
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
    timer.start(10);
    frame.ExecuteCommand(cmd::ID_FILE_SAVE);
    return seen;
}

}  // namespace

class SaveOverOthersTest final : public QObject {
    Q_OBJECT

private slots:
    // Guards the way through the window to a new name: asked for a file
    // that lost its write bits after it was opened (root may write it, the
    // save never replaces it), and from the question about a version that
    // another program renamed over the file, which names it. The other
    // version stays and the document stays modified.
    void saveAsksForANameWhenTheFileIsNotItsOwn()
    {
        app_fixture::RunningApp app({Entry{"alpha", "about alpha"}});
        QVERIFY(app.Started());
        const QByteArray path = QFile::encodeName(app.Path());
        app.Doc().SetModifiedFlag(true);
        QVERIFY(::chmod(path.constData(), 0444) == 0);
        QCOMPARE(Save(app.Frame(), {test_support::CloseDialog}), QStringList{QStringLiteral("Save As")});

        const QString theirs = app.TempPath("theirs.ovr");
        QVERIFY(app_fixture::WriteDocument(theirs, {{"omega", "about omega"}}));
        const QByteArray other = Bytes(theirs);
        QVERIFY(::rename(QFile::encodeName(theirs).constData(), path.constData()) == 0);
        const auto saveAs = [](QWidget* box) {
            for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
                if (b->text() == QStringLiteral("Save &As..."))
                    b->click();
        };
        const QStringList seen = Save(app.Frame(), {saveAs, test_support::CloseDialog});
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[0].contains(QDir::toNativeSeparators(app.Path())), qPrintable(seen[0]));
        QCOMPARE(seen[1], QStringLiteral("Save As"));
        QCOMPARE(Bytes(app.Path()), other);
        QVERIFY(app.Doc().IsModified());
    }
};

OVRIN_WIDGET_TEST_MAIN(SaveOverOthersTest)
#include "save_over_others_test.moc"
