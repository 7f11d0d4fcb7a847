// SPDX-License-Identifier: MIT
// The real main window, driven as a user would: keys, menus, tool bar.

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
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

namespace {

void Reject(QWidget* w)
{
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

}  // namespace

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
                           Reject);
    }
    QString DialogOfChar(char c)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), c); }, Reject);
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

    // The window starts as an untitled document with "Ready" in the message pane.
    void startsUntitled()
    {
        QCOMPARE(Frame().windowTitle(), QStringLiteral("Untitled - Ovrin"));
        QVERIFY(!Frame().statusBar()->isHidden());
        QVERIFY(!Frame().ToolBar()->isHidden());
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

        // In the Edit dialog's field, Ctrl+Z takes back the typing and
        // Shift+Insert pastes what Ctrl+C copied.
        QString typed = QStringLiteral("unset");
        QString undone = QStringLiteral("unset");
        QString pasted;
        AnswerModal([&] { QTest::keyClick(Focus(), 'a'); },
                    [&](QWidget* dialog) {
                        QLineEdit* field = dialog->findChild<QLineEdit*>();
                        if (field) {
                            field->setFocus();
                            field->clear();
                            QTest::keyClicks(field, QStringLiteral("xy"));
                            typed = field->text();
                            QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
                            undone = field->text();
                            QTest::keyClicks(field, QStringLiteral("pq"));
                            field->selectAll();
                            QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
                            field->end(false);
                            QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
                            pasted = field->text();
                        }
                        Reject(dialog);
                    });
        QCOMPARE(typed, QStringLiteral("xy"));
        QVERIFY(undone != typed);
        QCOMPARE(pasted, undone + QStringLiteral("pqpq"));
    }

    // Menu items and tool-bar buttons follow the rules for an empty
    // document, one entry and three entries.
    void statesFollowTheRules_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("current");
        QTest::addColumn<QList<int>>("enabled");
        QTest::addColumn<QList<int>>("disabled");
        const QList<int> always{ID_ENTRY_ADD, ID_FILE_NEW, ID_FILE_OPEN, ID_HELP,
                                ID_VIEW_DESCRIPTION, ID_VIEW_KEYWORDS, ID_APP_ABOUT};
        QTest::newRow("empty") << 0 << -1 << always
                               << QList<int>{ID_ENTRY_EDIT, ID_ENTRY_DELETE, ID_ENTRY_FIND,
                                             ID_ENTRY_NEXT, ID_ENTRY_BACK, ID_ENTRY_FIRST,
                                             ID_ENTRY_LAST, ID_ENTRY_UNDO, ID_FILE_SAVE};
        QTest::newRow("one") << 1 << 0 << (always + QList<int>{ID_ENTRY_EDIT, ID_ENTRY_DELETE, ID_ENTRY_FIND})
                             << QList<int>{ID_ENTRY_NEXT, ID_ENTRY_BACK, ID_ENTRY_FIRST,
                                           ID_ENTRY_LAST, ID_FILE_SAVE};
        QTest::newRow("three, first") << 3 << 0 << QList<int>{ID_ENTRY_NEXT, ID_ENTRY_LAST}
                                      << QList<int>{ID_ENTRY_BACK, ID_ENTRY_FIRST};
        QTest::newRow("three, middle") << 3 << 1
                                       << QList<int>{ID_ENTRY_NEXT, ID_ENTRY_LAST, ID_ENTRY_BACK,
                                                     ID_ENTRY_FIRST}
                                       << QList<int>{};
        QTest::newRow("three, last") << 3 << 2 << QList<int>{ID_ENTRY_BACK, ID_ENTRY_FIRST}
                                     << QList<int>{ID_ENTRY_NEXT, ID_ENTRY_LAST};
    }
    void statesFollowTheRules()
    {
        QFETCH(int, count);
        QFETCH(int, current);
        QFETCH(QList<int>, enabled);
        QFETCH(QList<int>, disabled);
        Fill(count, current);
        for (int id : enabled) {
            QVERIFY2(Action(id)->isEnabled(), qPrintable(Action(id)->objectName()));
            if (QToolButton* b = Button(id))
                QVERIFY2(b->isEnabled(), qPrintable(Action(id)->objectName()));
        }
        for (int id : disabled) {
            QVERIFY2(!Action(id)->isEnabled(), qPrintable(Action(id)->objectName()));
            if (QToolButton* b = Button(id))
                QVERIFY2(!b->isEnabled(), qPrintable(Action(id)->objectName()));
        }
    }

    // Save follows the modified flag; checked commands show a pressed button,
    // and of the two formats the active one is checked and disabled.
    void modifiedAndCheckedStates()
    {
        Fill(3, 0);
        QVERIFY(!Action(ID_FILE_SAVE)->isEnabled());
        Doc().SetModifiedFlag(true);
        QTest::keyClick(Focus(), '+');  // any command brings the states up to date
        QVERIFY(Action(ID_FILE_SAVE)->isEnabled());
        QVERIFY(Button(ID_FILE_SAVE)->isEnabled());
        Doc().SetModifiedFlag(false);

        QTest::keyClick(Focus(), 'k');
        QVERIFY(Button(ID_VIEW_KEYWORDS)->isChecked());
        QVERIFY(!Button(ID_VIEW_DESCRIPTION)->isChecked());
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(!Doc().m_bKeyList);
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());
        // Clicking the pressed button leaves it pressed.
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());

        const bool dinA4 = Doc().m_bDinA4;
        QAction* active = Action(dinA4 ? ID_FORMAT_DINA4 : ID_FORMAT_VARIABLE);
        QAction* other = Action(dinA4 ? ID_FORMAT_VARIABLE : ID_FORMAT_DINA4);
        QVERIFY(active->isChecked() && !active->isEnabled());
        QVERIFY(!other->isChecked() && other->isEnabled());
        other->trigger();
        QCOMPARE(Doc().m_bDinA4, !dinA4);
        QVERIFY(other->isChecked() && !other->isEnabled());
    }

    // The tool bar has the 16 buttons in their order, with their tips and icons.
    void toolBarLayout()
    {
        QStringList names;
        for (QAction* a : Frame().ToolBar()->actions())
            names << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        QCOMPARE(names.join(QLatin1Char(' ')),
                 QStringLiteral("ID_FILE_NEW ID_FILE_OPEN ID_FILE_SAVE ID_FILE_PRINT | "
                                "ID_ENTRY_ADD ID_ENTRY_EDIT | ID_ENTRY_DELETE ID_ENTRY_UNDO | "
                                "ID_VIEW_DESCRIPTION ID_VIEW_KEYWORDS | ID_ENTRY_FIND | "
                                "ID_ENTRY_NEXT ID_ENTRY_BACK ID_ENTRY_LAST ID_ENTRY_FIRST | ID_HELP"));
        QCOMPARE(Action(ID_VIEW_KEYWORDS)->toolTip(), QStringLiteral(" keywords "));
        QCOMPARE(Action(ID_FILE_NEW)->toolTip(), QStringLiteral("New"));
        QCOMPARE(Action(ID_FILE_NEW)->statusTip(), QStringLiteral("Create a new document"));
        // The icons are SVG: they draw only when Qt's SVG plugin is there.
        for (QAction* a : Frame().ToolBar()->actions())
            QVERIFY2(a->isSeparator() || !a->icon().pixmap(16).isNull(), qPrintable(a->objectName()));
    }

    // The menus carry the texts, mnemonics and shown shortcuts.
    void menuTexts()
    {
        QStringList tops;
        for (QAction* a : Frame().menuBar()->actions())
            tops << a->text();
        QCOMPARE(tops, (QStringList{"&File", "&Edit", "&View", "&Help"}));
        QCOMPARE(Action(ID_FILE_NEW)->text(), QStringLiteral("&New\tCtrl+N"));
        QCOMPARE(Action(ID_ENTRY_ADD)->text(), QStringLiteral("&ADD"));
        QCOMPARE(Action(ID_FILE_MRU_FILE1)->text(), QStringLiteral("Recent File"));
        QVERIFY(!Action(ID_FILE_MRU_FILE1)->isEnabled());
    }

    // Prompts go to the message pane; when none applies it says "Ready".
    void messagePaneShowsPromptsAndReady()
    {
        QStatusTipEvent tip(Action(ID_ENTRY_ADD)->statusTip());
        QCoreApplication::sendEvent(&Frame(), &tip);
        QCOMPARE(Frame().MessageText(), QStringLiteral("Add a new entry."));
        QStatusTipEvent none{QString()};
        QCoreApplication::sendEvent(&Frame(), &none);
        QCOMPARE(Frame().MessageText(), QStringLiteral("Ready"));
        // No X server here: the indicators stay blank.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(Frame().IndicatorText(i), QString());
    }

    // View/Toolbar and View/Status Bar hide and show their bars with a check.
    void barToggles()
    {
        QVERIFY(Action(ID_VIEW_STATUS_BAR)->isChecked());
        Action(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(Frame().statusBar()->isHidden());
        QVERIFY(!Action(ID_VIEW_STATUS_BAR)->isChecked());
        Action(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(!Frame().statusBar()->isHidden());
        Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(Frame().ToolBar()->isHidden());
        Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(Action(ID_VIEW_TOOLBAR)->isChecked());
    }

    // The context menu has its own texts and the document's item states.
    void contextMenuFromTable()
    {
        Fill(0, -1);
        QList<int> chosen;
        QMenu* menu = BuildContextMenu(
            &Frame(), [this](int id) { return Frame().Router().State(id); },
            [&chosen](int id) { chosen << id; });
        QStringList texts;
        for (QAction* a : menu->actions())
            texts << (a->isSeparator() ? QStringLiteral("|") : a->text());
        QCOMPARE(texts, (QStringList{"&Edit", "&Print", "|", "&Add", "&Delete", "|", "&Find", "|",
                                     "&Format"}));
        QVERIFY(!menu->actions()[0]->isEnabled());
        QVERIFY(menu->actions()[3]->isEnabled());
        menu->actions()[3]->trigger();
        QCOMPARE(chosen, QList<int>{ID_ENTRY_ADD});
        delete menu;
    }
};

OVRIN_WIDGET_TEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
