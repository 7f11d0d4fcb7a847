// SPDX-License-Identifier: MIT
// A later start (the real `ovrin`) while the running program shows a modal
// dialog is taken at once and ends; the file opens when the dialog ends.
#include <QMessageBox>
#include <QPushButton>

#include "../common/child_program.h"
#include "app/file_commands.h"
#include "app_fixture.h"
#include "doc/command_ids.h"

using namespace app_fixture;

class HandOverDuringDialogTest final : public QObject {
    Q_OBJECT

private slots:
    void laterStartReturnsAtOnce()
    {
        if (OvrinBinary().empty())
            QSKIP("OVRIN_BINARY is not set");
        RunningApp app(std::vector<Entry>{{"alpha", "one"}});
        QVERIFY(app.Started());
        const QString other = app.TempPath("other.ovr");
        QVERIFY(WriteEntries(other.toStdString(), {{"beta", "two"}}).ok);

        struct Case {
            int command;
            bool modified;
            QMessageBox::StandardButton button;  // NoButton: closed as Esc would
        };
        const Case cases[] = {
            {cmd::ID_ENTRY_ADD, false, QMessageBox::NoButton},  // the Edit dialog
            {cmd::ID_FILE_NEW, true, QMessageBox::No},          // "Save changes?"
        };
        for (const Case& c : cases) {
            app.App().Files().OpenDocumentFile(app.Path());
            app.Doc().SetModifiedFlag(c.modified);
            const QString shown = test_support::AnswerModal(
                [&] { app.Frame().ExecuteCommand(c.command); }, [&](QWidget* dialog) {
                    const pid_t later = StartChild({OvrinBinary(), other.toStdString()});
                    const std::optional<int> status = ChildStatus(later, 3000, [] { QTest::qWait(20); });
                    EndChild(later);
                    QCOMPARE(status, std::optional<int>(0));
                    QCOMPARE(app.Frame().windowTitle(), QStringLiteral("notes.ovr - Ovrin"));
                    if (auto* box = qobject_cast<QMessageBox*>(dialog); box && c.button)
                        box->button(c.button)->click();
                    else
                        test_support::CloseDialog(dialog);
                });
            QVERIFY(!shown.isEmpty());
            QVERIFY(QTest::qWaitFor(
                [&] { return app.Frame().windowTitle() == QStringLiteral("other.ovr - Ovrin"); }, 3000));
        }
    }
};

OVRIN_WIDGET_TEST_MAIN(HandOverDuringDialogTest)
#include "hand_over_during_dialog_test.moc"
