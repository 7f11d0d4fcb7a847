// SPDX-License-Identifier: MIT
// File/Save in the window when its file is no longer the one it read.
#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include <sys/stat.h>

#include "app_fixture.h"
#include "core/document/command_ids.h"
#include "gui/dialogs/long_text_field.h"

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

    // Another program's version, arriving while the Edit dialog is up,
    // waits for the dialog: what OK gives goes to the entry it was opened
    // on, and the other version is told about once the window is free.
    void anotherVersionWaitsForTheEditDialog()
    {
        app_fixture::RunningApp app({Entry{"alpha", "a"}, Entry{"beta", "b"}, Entry{"gamma", "c"}});
        QVERIFY(app.Started());
        app.Doc().SetCurrent(2);
        const QString theirs = app.TempPath("theirs.ovr");
        QVERIFY(WriteEntries(theirs.toStdString(), {{"omega", "about omega"}}).ok);
        AnswerModal([&] { app.Frame().ExecuteCommand(cmd::ID_ENTRY_EDIT); }, [&](QWidget* w) {
            QVERIFY(::rename(QFile::encodeName(theirs).constData(), QFile::encodeName(app.Path()).constData()) == 0);
            emit qApp->applicationStateChanged(Qt::ApplicationActive);
            auto* description = w->findChild<LongTextField*>("description");
            description->selectAll();
            description->insert(QStringLiteral("changed"));
            qobject_cast<QDialog*>(w)->accept();
        });
        QCOMPARE(app.Doc().Count(), 3);
        QCOMPARE(std::string(app.Doc().KeyWords()[2]), std::string("gamma"));
        QCOMPARE(std::string(app.Doc().Descriptions()[2]), std::string("changed"));
        QVERIFY(app.Doc().IsModified());
        QCoreApplication::processEvents();
        QVERIFY2(app.Frame().MessageText().contains(QStringLiteral("changed by another program")),
                 qPrintable(app.Frame().MessageText()));
    }
};

OVRIN_WIDGET_TEST_MAIN(SaveOverOthersTest)
#include "save_over_others_test.moc"
