// SPDX-License-Identifier: MIT
// File/Save in the window when its file is no longer the one it read.
#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include <sys/stat.h>

#include "app_fixture.h"
#include "core/document/command_ids.h"

using test_support::AnswerModal;

class SaveOverOthersTest final : public QObject {
    Q_OBJECT

private slots:
    // Guards the way through the window to a new name for a file that lost
    // its write bits, and the question about a version another program
    // renamed over the file, which names it, as the status bar does when
    // the window comes back to the front.
    void saveAsksForANameWhenTheFileIsNotItsOwn()
    {
        app_fixture::RunningApp app({Entry{"alpha", "about alpha"}});
        QVERIFY(app.Started());
        const QByteArray path = QFile::encodeName(app.Path());
        const auto save = [&] { app.Frame().ExecuteCommand(cmd::ID_FILE_SAVE); };
        app.Doc().SetModifiedFlag(true);
        QVERIFY(::chmod(path.constData(), 0444) == 0);
        QCOMPARE(AnswerModal(save, test_support::CloseDialog), QStringLiteral("Save As"));

        const QString theirs = app.TempPath("theirs.ovr");
        QVERIFY(WriteEntries(theirs.toStdString(), {{"omega", "about omega"}}).ok);
        const auto bytes = [](const QString& file) {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray other = bytes(theirs);
        QVERIFY(::rename(QFile::encodeName(theirs).constData(), path.constData()) == 0);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY2(app.Frame().MessageText().contains(QDir::toNativeSeparators(app.Path())),
                 qPrintable(app.Frame().MessageText()));

        QString question;
        bool askedForName = false;
        QTimer nameDialog;  // the Save As dialog follows once the question has closed
        QObject::connect(&nameDialog, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                askedForName = dialog->windowTitle() == QStringLiteral("Save As");
                dialog->reject();
            }
        });
        AnswerModal(save, [&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            question = box->text();
            nameDialog.start(10);
            for (QAbstractButton* b : box->buttons())
                if (b->text() == QStringLiteral("Save &As..."))
                    b->click();
        });
        QVERIFY2(question.contains(QDir::toNativeSeparators(app.Path())), qPrintable(question));
        QVERIFY(askedForName);
        QCOMPARE(bytes(app.Path()), other);
    }
};

OVRIN_WIDGET_TEST_MAIN(SaveOverOthersTest)
#include "save_over_others_test.moc"
