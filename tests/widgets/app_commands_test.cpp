// SPDX-License-Identifier: MIT
// The whole program started on a document: tool bar, lock indicators,
// dropping a file.
#include <QDialog>
#include <QDropEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app_fixture.h"
#include "gui/app/file_commands.h"
#include "gui/dialogs/find_dlg.h"
#include "gui/dialogs/long_text_field.h"
#include "core/document/command_ids.h"
#include "gui/res/command_actions.h"

using namespace app_fixture;
using namespace cmd;
using test_support::AnswerModal;
using test_support::CloseDialog;

namespace {

std::vector<Entry> ThreeEntries()
{
    return {{"apple", "red\r\nround"}, {"pear", "green"}, {"plum", "blue"}};
}

QToolButton* Button(RunningApp& app, int id)
{
    return qobject_cast<QToolButton*>(
        app.Frame().ToolBar()->widgetForAction(app.Frame().Actions().action(id)));
}

}  // namespace

class AppCommandsTest final : public QObject {
    Q_OBJECT

private slots:
    // A double click in the key list changes entry and mode with no command:
    // the tool bar follows at once.
    void toolBarFollowsADoubleClick()
    {
        RunningApp app(ThreeEntries());
        QVERIFY(app.Started());
        app.Resize(700, 500);
        app.Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        Settle();
        // The key list follows an Edit that makes the first block taller.
        AnswerModal([&] { app.Frame().ExecuteCommand(ID_ENTRY_EDIT); }, [](QWidget* w) {
            w->findChild<LongTextField*>(QStringLiteral("keyWords"))->insert(QStringLiteral(" apple").repeated(60));
            qobject_cast<QDialog*>(w)->accept();
        });
        Settle();
        // The description, left as it was, comes back beside the new key words.
        QCOMPARE(std::string(app.Doc().m_arrDescriptions[0]), std::string("red\r\nround"));
        COvrinView* view = app.Pane(0, 0);
        QVERIFY(view->KeyList().TopOf(1) > 2 * view->LineHeight());
        const int y = view->KeyList().TopOf(2) + view->LineHeight() / 2;
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
        Settle(20);
        QCOMPARE(app.Doc().m_nCurrent, 2);
        QVERIFY(Button(app, ID_VIEW_DESCRIPTION)->isChecked());
        QVERIFY(Button(app, ID_ENTRY_BACK)->isEnabled());
        QVERIFY(!Button(app, ID_ENTRY_NEXT)->isEnabled());
    }

    // A lock key pressed in the Find window, or in the main window, shows
    // in the indicator panes.
    void lockIndicatorsFollowKeysInEveryWindow()
    {
        RunningApp app(ThreeEntries());
        QVERIFY(app.Started());
        LockState keys;
        app.Frame().SetLockStateReader([&keys] { return std::optional<LockState>(keys); });
        app.Frame().ExecuteCommand(ID_ENTRY_FIND);
        CFindDlg* find = app.App().Host().FindWindow();
        QVERIFY(find);
        auto* field = find->findChild<QLineEdit*>(QStringLiteral("IDC_SEARCH_STRING"));

        keys.capsLock = true;
        QTest::keyClick(field, Qt::Key_CapsLock);
        Settle(20);
        QCOMPARE(app.Frame().IndicatorText(0), QStringLiteral("UF"));
        find->reject();

        keys = LockState{false, true, true};
        QTest::keyClick(app.Pane(0, 0), Qt::Key_ScrollLock);
        Settle(20);
        QCOMPARE(app.Frame().IndicatorText(0), QString());
        QCOMPARE(app.Frame().IndicatorText(1), QStringLiteral("NUM"));
        QCOMPARE(app.Frame().IndicatorText(2), QStringLiteral("RF"));
    }

    // A dropped file is opened only after the drop has ended, so the
    // question about unsaved changes never holds up the drag source.
    void droppedFileOpensAfterTheDrop()
    {
        RunningApp app(ThreeEntries());
        QVERIFY(app.Started());
        const QString other = app.TempPath("other.ovr");
        QVERIFY(WriteEntries(other.toStdString(), {{"walnut", "brown"}}).ok);
        app.Doc().SetModifiedFlag(true);

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(other)});
        const QPointF at(app.Frame().width() / 2.0, app.Frame().height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&app.Frame(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        const QString duringDrop = AnswerModal([&] { QApplication::sendEvent(&app.Frame(), &drop); },
                                               CloseDialog);
        QCOMPARE(duringDrop, QString());
        AnswerModal([] { Settle(100); },
                    [&](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::No)->click(); });
        QCOMPARE(QString::fromStdString(app.Doc().GetPathName()), other);
    }
};

OVRIN_WIDGET_TEST_MAIN(AppCommandsTest)
#include "app_commands_test.moc"
