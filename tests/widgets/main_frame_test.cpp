// SPDX-License-Identifier: MIT
// The real main window, driven as a user would: keys, menus, tool bar.

#include <tuple>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "dialogs/long_text_field.h"
#include "app_fixture.h"
#include "doc/command_ids.h"
#include "res/command_actions.h"

using namespace cmd;
using test_support::AnswerModal;

class MainFrameTest final : public QObject {
    Q_OBJECT

    app_fixture::RunningApp m_app{std::vector<app_fixture::Entry>{}};

    CMainFrame& Frame() { return m_app.Frame(); }
    COvrinDoc& Doc() { return m_app.Doc(); }
    QAction* Action(int id) { return Frame().Actions().action(id); }
    QWidget* Focus() { return Frame().ActiveView(); }
    QToolButton* Button(int id)
    {
        return qobject_cast<QToolButton*>(Frame().ToolBar()->widgetForAction(Action(id)));
    }

    // A document of n entries "k0".."k<n-1>", the current one given.
    void Fill(int n, int current)
    {
        Doc().OnNewDocument();
        std::vector<Entry> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back({"k" + std::to_string(i), "d"});
        SetEntries(Doc(), entries);
        Doc().m_nCurrent = current;
        Doc().SetModifiedFlag(false);
        Frame().RefreshCommandStates();
    }

    // What a key opens: the title of the modal dialog, or "" for none.
    QString DialogOfKey(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), key, mods); }, test_support::CloseDialog);
    }
    QString DialogOfChar(char c)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), c); }, test_support::CloseDialog);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_app.Started());
        Focus()->setFocus();
    }

    // Character accelerators match the typed character: 'a' adds, 'A' does
    // not; F1 and '?' open the Manual; Ctrl or Alt with a letter is never
    // the letter. A key whose command its rule disables does nothing.
    void keysReachTheirCommands()
    {
        Fill(3, 0);
        QVERIFY(!DialogOfChar('a').isEmpty());  // the Edit dialog, cancelled
        QVERIFY(!DialogOfChar('?').isEmpty());
        QVERIFY(!DialogOfKey(Qt::Key_F1).isEmpty());
        QCOMPARE(DialogOfChar('A'), QString());
        QCOMPARE(DialogOfKey(Qt::Key_F1, Qt::ShiftModifier), QString());
        QCOMPARE(DialogOfKey(Qt::Key_A, Qt::ControlModifier), QString());
        QCOMPARE(Doc().m_nCount, 3);

        // Each key and the entry it leads to: '+' from either keyboard part
        // goes forward, 'n' to the end, 'b' to the start, and at either end
        // the way on is disabled.
        const std::tuple<char, Qt::KeyboardModifiers, int> moves[] = {
            {'n', Qt::AltModifier, 0}, {'+', Qt::NoModifier, 1}, {'+', Qt::KeypadModifier, 2},
            {'<', Qt::NoModifier, 1}, {'n', Qt::NoModifier, 2}, {'+', Qt::NoModifier, 2},
            {'n', Qt::NoModifier, 2}, {'b', Qt::NoModifier, 0}, {'<', Qt::NoModifier, 0}};
        for (const auto& [key, mods, current] : moves) {
            QTest::keyClick(Focus(), key, mods);
            QCOMPARE(Doc().m_nCurrent, current);
        }
        QTest::keyClick(Focus(), 'k');
        QVERIFY(Doc().m_bKeyList);
        QTest::keyClick(Focus(), 'd');
        QVERIFY(!Doc().m_bKeyList);

        // With no entries: no Edit, no Find, no Save of an unmodified one.
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

    // The clipboard keys have no command in the main window and are eaten
    // there, while a dialog's edit field keeps them.
    void clipboardKeysDoNothingInMainWindow()
    {
        Fill(3, 1);
        const std::pair<Qt::Key, Qt::KeyboardModifier> keys[] = {
            {Qt::Key_C, Qt::ControlModifier},     {Qt::Key_V, Qt::ControlModifier},
            {Qt::Key_X, Qt::ControlModifier},     {Qt::Key_Z, Qt::ControlModifier},
            {Qt::Key_Insert, Qt::ShiftModifier},  {Qt::Key_Delete, Qt::ShiftModifier},
            {Qt::Key_Backspace, Qt::AltModifier}};
        for (const auto& [key, mods] : keys)
            QCOMPARE(DialogOfKey(key, mods), QString());
        QCOMPARE(Doc().m_nCount, 3);
        QCOMPARE(Doc().m_nCurrent, 1);
        QVERIFY(!Action(ID_EDIT_COPY)->isEnabled());

        // In the Edit dialog's field the same keys still edit: Shift+Insert
        // pastes what Ctrl+C copied.
        QString pasted;
        AnswerModal([&] { QTest::keyClick(Focus(), 'a'); },
                    [&](QWidget* dialog) {
                        if (auto* field = dialog->findChild<LongTextField*>(QStringLiteral("keyWords"))) {
                            field->setFocus();
                            field->setText(QStringLiteral("pq"));
                            field->selectAll();
                            QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
                            field->setCursorPosition(2);
                            QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
                            pasted = field->text();
                        }
                        test_support::CloseDialog(dialog);
                    });
        QCOMPARE(pasted, QStringLiteral("pqpq"));
    }

    // Save and its button follow the modified flag; Ctrl+S then asks an
    // untitled document for a name. A checked command shows a pressed
    // button that a second click leaves pressed.
    void modifiedAndCheckedStates()
    {
        Fill(3, 0);
        QVERIFY(!Action(ID_FILE_SAVE)->isEnabled());
        Doc().SetModifiedFlag(true);
        QTest::keyClick(Focus(), '+');  // any command brings the states up to date
        QVERIFY(Action(ID_FILE_SAVE)->isEnabled());
        QVERIFY(Button(ID_FILE_SAVE)->isEnabled());
        QCOMPARE(DialogOfKey(Qt::Key_S, Qt::ControlModifier), QStringLiteral("Save As"));
        QVERIFY(Doc().IsModified());
        Doc().SetModifiedFlag(false);

        QTest::keyClick(Focus(), 'k');
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(!Doc().m_bKeyList);
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());
    }

    // The tool bar's buttons all draw their icons (SVG: they need Qt's SVG
    // plugin) and carry their tips; the context menu takes the document's
    // item states and reports the item chosen.
    void toolBarAndContextMenu()
    {
        for (QAction* a : Frame().ToolBar()->actions()) {
            if (a->isSeparator())
                continue;
            QVERIFY2(!a->icon().pixmap(16).isNull(), qPrintable(a->objectName()));
            QVERIFY2(!a->toolTip().isEmpty(), qPrintable(a->objectName()));
        }

        Fill(0, -1);
        QList<int> chosen;
        std::unique_ptr<QMenu> menu(BuildContextMenu(
            &Frame(), [this](int id) { return Frame().Router().State(id); },
            [&chosen](int id) { chosen << id; }));
        QVERIFY(!menu->actions()[0]->isEnabled());
        QVERIFY(menu->actions()[3]->isEnabled());
        menu->actions()[3]->trigger();
        QCOMPARE(chosen, QList<int>{ID_ENTRY_ADD});
    }
};

OVRIN_WIDGET_TEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
