// SPDX-License-Identifier: MIT
// The real main window, driven as a user would: keys, menus, tool bar.

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/file_commands.h"
#include "app/ovrin_app.h"
#include "doc/command_ids.h"
#include "doc/ovrin_doc.h"
#include "frame/main_frame.h"
#include "res/command_actions.h"
#include "view/ovrin_view.h"
#include "widget_test_support.h"

using namespace cmd;
using test_support::AnswerModal;

class MainFrameTest final : public QObject {
    Q_OBJECT

    COvrinApp* m_app = nullptr;

    CMainFrame& Frame() { return *m_app->MainFrame(); }
    COvrinDoc& Doc() { return m_app->Document(); }
    QAction* Action(int id) { return Frame().Actions().action(id); }
    QWidget* Focus() { return Frame().ActiveView(); }

    // A document of n entries "k0".."k<n-1>", the current one given.
    void Fill(int n, int current)
    {
        Doc().OnNewDocument();
        for (int i = 0; i < n; ++i) {
            Doc().m_arrKeyWords.push_back("k" + std::to_string(i));
            Doc().m_arrDescriptions.push_back("d");
            Doc().m_arrDates.push_back("1.1.2026");
        }
        Doc().m_nCount = n;
        Doc().m_nCurrent = current;
        Doc().SetModifiedFlag(false);
        Frame().RefreshCommandStates();
    }

    // What a key opens: the title of the modal dialog, or "" for none.
    QString DialogOfKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), static_cast<Qt::Key>(key), mods); },
                           test_support::CloseDialog);
    }
    QString DialogOfChar(char c)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), c); }, test_support::CloseDialog);
    }

    QToolButton* Button(int id)
    {
        return qobject_cast<QToolButton*>(Frame().ToolBar()->widgetForAction(Action(id)));
    }

private slots:
    void initTestCase()
    {
        m_app = new COvrinApp;
        QVERIFY(m_app->InitInstance({}));
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        Frame().activateWindow();
        Focus()->setFocus();
    }

    void cleanupTestCase()
    {
        Doc().SetModifiedFlag(false);
        delete m_app;
    }

    // Character accelerators match the typed character: 'a' adds, 'A' does
    // not; '+' from either keyboard part goes forward; 'n' goes to the end.
    void characterKeysReachTheirCommands()
    {
        Fill(3, 0);
        QCOMPARE(DialogOfChar('A'), QString());
        QCOMPARE(Doc().m_nCount, 3);
        QVERIFY(!DialogOfChar('a').isEmpty());  // the Edit dialog, cancelled

        QTest::keyClick(Focus(), Qt::Key_Plus);
        QCOMPARE(Doc().m_nCurrent, 1);
        QTest::keyClick(Focus(), Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(Doc().m_nCurrent, 2);
        QTest::keyClick(Focus(), '<');
        QCOMPARE(Doc().m_nCurrent, 1);
        QTest::keyClick(Focus(), 'n');
        QCOMPARE(Doc().m_nCurrent, 2);
        QTest::keyClick(Focus(), 'b');
        QCOMPARE(Doc().m_nCurrent, 0);
        QTest::keyClick(Focus(), 'k');
        QVERIFY(Doc().m_bKeyList);
        QTest::keyClick(Focus(), 'd');
        QVERIFY(!Doc().m_bKeyList);
    }

    // F1 and '?' open the Manual; Ctrl with a letter is never the letter.
    void helpKeysAndControlLetters()
    {
        Fill(3, 0);
        QVERIFY(!DialogOfKey(Qt::Key_F1).isEmpty());
        QVERIFY(!DialogOfChar('?').isEmpty());
        QCOMPARE(DialogOfKey(Qt::Key_F1, Qt::ShiftModifier), QString());
        QCOMPARE(DialogOfKey(Qt::Key_A, Qt::ControlModifier), QString());
        QCOMPARE(Doc().m_nCount, 3);
        QTest::keyClick(Focus(), Qt::Key_N, Qt::AltModifier);
        QCOMPARE(Doc().m_nCurrent, 0);
    }

    // A command whose rule disables it does nothing, from a key or from a
    // stale menu item: 'n' at the end, 'e' with no entries, Save unmodified.
    void disabledCommandsAreDropped()
    {
        Fill(3, 2);
        QTest::keyClick(Focus(), 'n');
        QTest::keyClick(Focus(), '+');
        QCOMPARE(Doc().m_nCurrent, 2);

        Fill(0, -1);
        QCOMPARE(DialogOfChar('e'), QString());
        QCOMPARE(DialogOfChar('f'), QString());
        QCOMPARE(DialogOfKey(Qt::Key_S, Qt::ControlModifier), QString());

        // A menu item left enabled by mistake still cannot run its command.
        Fill(3, 0);
        Action(ID_ENTRY_BACK)->setEnabled(true);
        Action(ID_ENTRY_BACK)->trigger();
        QCOMPARE(Doc().m_nCurrent, 0);
        QVERIFY(!Action(ID_ENTRY_BACK)->isEnabled());
    }

    // Ctrl+S saves only a modified document; untitled, it asks for a name.
    void controlSSavesModifiedDocument()
    {
        Fill(1, 0);
        Doc().SetModifiedFlag(true);
        Frame().RefreshCommandStates();
        QVERIFY(Action(ID_FILE_SAVE)->isEnabled());
        const QString title = DialogOfKey(Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(title, QStringLiteral("Save As"));
        QVERIFY(Doc().IsModified());
        Doc().SetModifiedFlag(false);
    }

    // The clipboard keys have no command in the main window and are eaten
    // there, while a dialog's edit field keeps them.
    void clipboardKeysDoNothingInMainWindow()
    {
        Fill(3, 1);
        for (const auto& [key, mods] : {std::pair{Qt::Key_C, Qt::ControlModifier},
                                        std::pair{Qt::Key_V, Qt::ControlModifier},
                                        std::pair{Qt::Key_X, Qt::ControlModifier},
                                        std::pair{Qt::Key_Z, Qt::ControlModifier},
                                        std::pair{Qt::Key_Insert, Qt::ShiftModifier},
                                        std::pair{Qt::Key_Delete, Qt::ShiftModifier},
                                        std::pair{Qt::Key_Backspace, Qt::AltModifier}}) {
            QCOMPARE(DialogOfKey(key, mods), QString());
        }
        QCOMPARE(Doc().m_nCount, 3);
        QCOMPARE(Doc().m_nCurrent, 1);
        QVERIFY(!Action(ID_EDIT_COPY)->isEnabled());

        // In the Edit dialog's field the same keys still edit: Shift+Insert
        // pastes what Ctrl+C copied.
        QString pasted;
        AnswerModal([&] { QTest::keyClick(Focus(), 'a'); },
                    [&](QWidget* dialog) {
                        if (QLineEdit* field = dialog->findChild<QLineEdit*>()) {
                            field->setFocus();
                            field->setText(QStringLiteral("pq"));
                            field->selectAll();
                            QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
                            field->end(false);
                            QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
                            pasted = field->text();
                        }
                        test_support::CloseDialog(dialog);
                    });
        QCOMPARE(pasted, QStringLiteral("pqpq"));
    }

    // Save follows the modified flag, and a checked command shows a pressed
    // button that a second click leaves pressed.
    void modifiedAndCheckedStates()
    {
        Fill(3, 0);
        QVERIFY(!Action(ID_FILE_SAVE)->isEnabled());
        Doc().SetModifiedFlag(true);
        QTest::keyClick(Focus(), '+');  // any command brings the states up to date
        QVERIFY(Action(ID_FILE_SAVE)->isEnabled());
        QVERIFY(Button(ID_FILE_SAVE)->isEnabled());
        QVERIFY(Button(ID_ENTRY_BACK)->isEnabled());
        QVERIFY(!Button(ID_ENTRY_UNDO)->isEnabled());
        Doc().SetModifiedFlag(false);

        QTest::keyClick(Focus(), 'k');
        QVERIFY(Button(ID_VIEW_KEYWORDS)->isChecked());
        QVERIFY(!Button(ID_VIEW_DESCRIPTION)->isChecked());
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(!Doc().m_bKeyList);
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());
    }

    // The tool bar's buttons all draw their icons (SVG: they need Qt's SVG
    // plugin) and carry their tips.
    void toolBarIconsAndTips()
    {
        for (QAction* a : Frame().ToolBar()->actions()) {
            if (a->isSeparator())
                continue;
            QVERIFY2(!a->icon().pixmap(16).isNull(), qPrintable(a->objectName()));
            QVERIFY2(!a->toolTip().isEmpty(), qPrintable(a->objectName()));
        }
    }

    // The context menu takes the document's item states and reports the
    // item chosen.
    void contextMenuStates()
    {
        Fill(0, -1);
        QList<int> chosen;
        QMenu* menu = BuildContextMenu(
            &Frame(), [this](int id) { return Frame().Router().State(id); },
            [&chosen](int id) { chosen << id; });
        QVERIFY(!menu->actions()[0]->isEnabled());
        QVERIFY(menu->actions()[3]->isEnabled());
        menu->actions()[3]->trigger();
        QCOMPARE(chosen, QList<int>{ID_ENTRY_ADD});
        delete menu;
    }
};

OVRIN_WIDGET_TEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
