// SPDX-License-Identifier: MIT
// The real main window driven as a user: keys, menus, tool bar, panes, key list, Find, a long text's real-font scroll.

#include <tuple>

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "app_fixture.h"
#include "core/layout/description_layout.h"
#include "core/layout/wrap_index.h"
#include "core/text/text_form.h"
#include "gui/dialogs/find_dlg.h"
#include "gui/view/screen_font.h"
#include "core/document/command_ids.h"
#include "gui/res/command_actions.h"
#include "gui/view/ovrin_view.h"

using namespace cmd;
using app_fixture::InkIn;
using test_support::AnswerModal;

class MainFrameTest final : public QObject {
    Q_OBJECT

    app_fixture::RunningApp m_app{std::vector<app_fixture::Entry>{}};

    CMainFrame& Frame() { return m_app.Frame(); }
    COvrinDoc& Doc() { return m_app.Doc(); }
    QAction* Action(int id) { return Frame().Actions().action(id); }
    COvrinView& View() { return *Frame().ActiveView(); }
    QWidget* Focus() { return Frame().ActiveView(); }
    QToolButton* Button(int id)
    {
        return qobject_cast<QToolButton*>(Frame().ToolBar()->widgetForAction(Action(id)));
    }

    void Fill(int n, int current)
    {
        Doc().OnNewDocument();
        std::vector<Entry> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back({"k" + std::to_string(i), "d"});
        SetEntries(Doc(), entries);
        Doc().SetCurrent(current);
        Doc().SetModifiedFlag(false);
        Frame().RefreshCommandStates();
    }

    // The title of the modal dialog a key opens, or "" for none.
    QString DialogOfKey(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), key, mods); }, test_support::CloseDialog);
    }
    QString DialogOfChar(char c)
    {
        return AnswerModal([&] { QTest::keyClick(Focus(), c); }, test_support::CloseDialog);
    }

    void FillWith(const std::vector<Entry>& entries)
    {
        Doc().OnNewDocument();
        SetEntries(Doc(), entries);
        Doc().SetModifiedFlag(false);
        Frame().UpdateAllViews();
        Repaint();
    }
    void Repaint()
    {
        for (int i = 0; i < 4; ++i) {  // a scroll to a hit paints once more
            View().viewport()->repaint();
            QCoreApplication::processEvents();
        }
    }
    QImage Shot() { return View().viewport()->grab().toImage(); }
    CFindDlg* FindWindow() { return m_app.App().Host().FindWindow(); }
    template <typename T>
    T* Control(const char* name) { return FindWindow()->findChild<T*>(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_app.Started());
        m_app.Resize(800, 600);
        Focus()->setFocus();
    }

    // Accelerators match the typed character ('a' adds, 'A' not, Ctrl/Alt+letter never); disabled keys do nothing.
    void keysReachTheirCommands()
    {
        Fill(3, 0);
        QVERIFY(!DialogOfChar('a').isEmpty());  // the Edit dialog, cancelled
        QCOMPARE(DialogOfChar('A'), QString());
        QCOMPARE(DialogOfKey(Qt::Key_A, Qt::ControlModifier), QString());

        // '+' from the main keys or the keypad goes forward; at either end the way on is disabled.
        const std::tuple<char, Qt::KeyboardModifiers, int> moves[] = {
            {'n', Qt::AltModifier, 0}, {'+', Qt::NoModifier, 1}, {'+', Qt::KeypadModifier, 2},
            {'+', Qt::NoModifier, 2}, {'b', Qt::NoModifier, 0}, {'<', Qt::NoModifier, 0},
            {'n', Qt::NoModifier, 2}};
        for (const auto& [key, mods, current] : moves) {
            QTest::keyClick(Focus(), key, mods);
            QCOMPARE(Doc().Current(), current);
        }
        Fill(0, -1);
        QCOMPARE(DialogOfChar('e'), QString());

        // A menu item left enabled by mistake still cannot run its command.
        Fill(3, 0);
        Action(ID_ENTRY_BACK)->setEnabled(true);
        Action(ID_ENTRY_BACK)->trigger();
        QCOMPARE(Doc().Current(), 0);
        QVERIFY(!Action(ID_ENTRY_BACK)->isEnabled());
    }

    // Save's button follows the modified flag; a checked command's shows its state, stays pressed on a click.
    void modifiedAndCheckedStates()
    {
        Fill(3, 0);
        QVERIFY(!Action(ID_FILE_SAVE)->isEnabled());
        Doc().SetModifiedFlag(true);
        QTest::keyClick(Focus(), '+');  // any command brings the states up to date
        QVERIFY(Button(ID_FILE_SAVE)->isEnabled());
        Doc().SetModifiedFlag(false);

        QTest::keyClick(Focus(), 'k');
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(!Doc().ShowsKeyList());
        Button(ID_VIEW_DESCRIPTION)->click();
        QVERIFY(Button(ID_VIEW_DESCRIPTION)->isChecked());
    }

    // Each tool bar button draws its SVG icon, has a tip; the context menu takes states, reports the choice.
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

    // Key-list commands moving the entry scroll the least that shows its block; own scrolls stay until the next.
    void keyListFollowsTheCurrentEntry()
    {
        Fill(10000, 0);
        Focus()->setFocus();
        COvrinView* view = Frame().ActiveView();
        QScrollBar* bar = view->verticalScrollBar();
        const auto repainted = [&] {
            for (int i = 0; i < 3; ++i)
                view->viewport()->repaint();  // a scroll asks for one more
            return bar->value();
        };
        const auto press = [&](char key) {
            QTest::keyClick(Focus(), key);
            return repainted();
        };
        press('k');
        const int L = view->LineHeight();  // one line of key words a block
        const int shown = view->viewport()->height();
        QCOMPARE(bar->maximum() + shown, 10000 * L);
        // Where the least scroll that shows entry i lies, from `before`.
        const auto least = [&](int before, int i) {
            return i * L < before ? i * L : (i + 1) * L > before + shown ? (i + 1) * L - shown : before;
        };
        const auto follows = [&](char key) {
            const int before = bar->value();
            return press(key) == least(before, Doc().Current());
        };
        QVERIFY(follows('n'));
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(follows('b'));
        const int steps = shown / L + 3;
        for (int i = 0; i < steps; ++i)
            QVERIFY(follows('+'));
        QVERIFY(bar->value() > 0);
        for (int i = 0; i < steps; ++i)
            QVERIFY(follows('-'));
        QCOMPARE(bar->value(), 0);
        // Home and End, with or without Ctrl, reach the ends (last block drawn); the own scroll stays.
        for (Qt::KeyboardModifier mod : {Qt::NoModifier, Qt::ControlModifier}) {
            QTest::keyClick(Focus(), Qt::Key_Home, mod);
            QCOMPARE(repainted(), 0);
            QTest::keyClick(Focus(), Qt::Key_End, mod);
            QCOMPARE(repainted(), bar->maximum());
        }
        const QImage shot = view->viewport()->grab().toImage();
        QVERIFY(InkIn(shot, QRect(15, shot.height() - 2 * L, 200, 2 * L)));
        QCOMPARE(press('+'), L);
        QTest::keyClick(Focus(), 'k');
    }

    // F10 opens the menu bar's first menu, Shift+F10 the pane's context menu.
    void desktopMenuKeys()
    {
        Fill(2, 0);
        Focus()->setFocus();
        QMenu* fileMenu = Frame().menuBar()->actions().constFirst()->menu();
        QTest::keyClick(Focus(), Qt::Key_F10);
        QVERIFY(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == fileMenu; }));
        fileMenu->close();
        Frame().menuBar()->setActiveAction(nullptr);
        Focus()->setFocus();

        QWidget* menuOf = nullptr;  // the menu goes once it is closed
        QTimer::singleShot(0, [&] {
            if (QWidget* opened = QApplication::activePopupWidget()) {
                menuOf = opened->parentWidget();
                opened->close();
            }
        });
        QTest::keyClick(Focus(), Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(menuOf, Focus());
    }

    // The status pane names the position, only the current key-list block is marked; a double click selects
    // the block under the mouse (x ignored, bottom line the next block's), below the last does nothing.
    void statusMarkerAndDoubleClickInKeyList()
    {
        FillWith({{"alpha", "a"}, {"beta", "b"}, {"gamma", "c"}});
        QCOMPARE(Frame().MessageText(), QStringLiteral("First entry"));
        Frame().ExecuteCommand(ID_ENTRY_NEXT);
        Repaint();

        Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        Repaint();
        const int L = View().LineHeight();
        const QImage image = Shot();
        for (int block = 0; block < 3; ++block)
            QCOMPARE(InkIn(image, QRect(0, block * L, 10, L - 1)), block == 1);

        QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(700, 2 * L));
        QCOMPARE(Doc().Current(), 2);
        QVERIFY(!Doc().ShowsKeyList());

        Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        Repaint();
        QTest::mouseDClick(View().viewport(), Qt::LeftButton, {}, QPoint(20, 3 * L + 5));
        QCOMPARE(Doc().Current(), 2);
        QVERIFY(Doc().ShowsKeyList());
        Frame().ExecuteCommand(ID_VIEW_DESCRIPTION);
    }

    // Next after typing into the real dialog moves to the hit, scrolled to and marked (hit positions: search tests).
    void findNextAndBackInTheDialog()
    {
        // Past the first lines the view indexes, and with lines that wrap.
        std::string far;
        for (int i = 0; i < 1000; ++i)
            far += "line " + std::to_string(i) + (i % 7 ? "\r\n" : std::string(300, 'w') + "\r\n");
        const std::string description = far + "a Needle in line 1000\r\n" + far;
        FillWith({{"start", "nothing here"}, {"middle", description}, {"end", "x"}});
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        QVERIFY(FindWindow());

        QTest::keyClicks(Control<QLineEdit>("IDC_SEARCH_STRING"), QStringLiteral("needle"));
        QTest::mouseClick(Control<QCheckBox>("IDC_IN_DESCRIPTIONS"), Qt::LeftButton);
        QTest::keyClick(Control<QLineEdit>("IDC_SEARCH_STRING"), Qt::Key_Return);  // Next
        QCOMPARE(Doc().Current(), 1);
        QCOMPARE(Doc().Hit().pos, static_cast<int>(far.size()) + 2);
        Repaint();
        // The hit line is in view, three quarters of a window below its top, and marked.
        const int L = View().LineHeight();
        const QImage shot = Shot();
        int y = 0;  // the marker's top, the only ink left of the text
        while (y < shot.height() && !InkIn(shot, QRect(0, y, 10, 1)))
            ++y;
        QVERIFY(y > 0 && y + L <= View().viewport()->height());
        // The fixed-pitch line count agrees with Qt: the scroll range is the height measuring each line gives.
        const QFontMetrics qt(ViewFont());
        TextMetrics measured = ScreenMetrics(qt, FontKey(ViewFont()));
        QVERIFY(measured.fixedPitch.Active());
        for (const std::string& run : {std::string("a Needle in line 1000"), std::string(300, 'w')})
            QCOMPARE(measured.fixedPitch.RunWidth(run.size()), qt.horizontalAdvance(RunToQString(run)));
        measured.fixedPitch = FixedPitch{};
        const ViewColumns columns = ColumnsFor(Doc().IsDinA4(), View().width());
        CWrapIndex lines;
        lines.Update(description, columns.right - 15, measured, "measured");
        QCOMPARE(View().verticalScrollBar()->maximum(),
                 LayOutDescription("middle", description, lines, -1, columns, measured).contentHeight -
                     View().viewport()->height());

        // Close ends the marking and the next Find starts empty.
        QTest::mouseClick(Control<QPushButton>("IDCANCEL"), Qt::LeftButton);
        QCOMPARE(Doc().Hit().entry, -1);
        QTRY_VERIFY(!FindWindow());
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        QVERIFY(Control<QLineEdit>("IDC_SEARCH_STRING")->text().isEmpty());
        FindWindow()->reject();
    }

    // Any character can be typed into the dialog and is found, case ignored.
    void findAnyCharacterInTheDialog()
    {
        FillWith({{"a", "x"}, {TextFromUtf16(u"\u0141\u00F3d\u017A"), "x"}});
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        // Typed through an input method, as such letters are.
        Control<QLineEdit>("IDC_SEARCH_STRING")->insert(QString::fromUtf16(u"\u0142\u00D3D"));
        QTest::keyClick(Control<QLineEdit>("IDC_SEARCH_STRING"), Qt::Key_Return);  // Next
        QCOMPARE(Doc().Current(), 1);
        FindWindow()->reject();
    }
};

OVRIN_WIDGET_TEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
