// SPDX-License-Identifier: MIT
// What assistive technology is told by the real main window: the entry text
// and the key list's focus, the events that follow a change, and a name for
// every dialog control. The tree as a reader walks it over the desktop's
// bus is read by tests/desktop/atspi_tree_test.sh.

#include <algorithm>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolBar>

#include "../common/test_documents.h"
#include "app/ovrin_app.h"
#include "dialogs/find_dlg.h"
#include "doc/command_ids.h"
#include "doc/ovrin_doc.h"
#include "frame/main_frame.h"
#include "res/command_actions.h"
#include "view/ovrin_view.h"
#include "view/view_accessible.h"
#include "view/view_accessibility.h"
#include "widget_test_support.h"

using namespace cmd;
using test_support::AnswerModal;

namespace {

// One accessibility event as a reader would have received it.
struct Seen {
    QAccessible::Event type;
    QAccessibleInterface* iface;
    QString inserted;  // text updates only
    int cursor = -1;   // text updates and caret moves
};
std::vector<Seen> g_events;

void Record(QAccessibleEvent* event)
{
    Seen seen{event->type(), event->accessibleInterface(), QString()};
    if (event->type() == QAccessible::TextUpdated)
        seen.inserted = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
    if (event->type() == QAccessible::TextUpdated || event->type() == QAccessible::TextCaretMoved)
        seen.cursor = static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition();
    g_events.push_back(seen);
}

bool SawEvent(QAccessible::Event type, QAccessibleInterface* iface)
{
    for (const Seen& s : g_events)
        if (s.type == type && s.iface == iface)
            return true;
    return false;
}

QString Name(QAccessibleInterface* iface) { return iface ? iface->text(QAccessible::Name) : QString(); }

QString AllText(QAccessibleInterface* iface)
{
    QAccessibleTextInterface* text = iface ? iface->textInterface() : nullptr;
    return text ? text->text(0, text->characterCount()) : QString();
}

// The controls of a dialog a reader stops at: everything that takes focus,
// buttons, text fields, labels and pictures. Scroll bars are named by
// their role.
QStringList UnnamedControls(QWidget* dialog)
{
    QStringList unnamed;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const bool control = w->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(w) ||
                             qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w) ||
                             qobject_cast<QLabel*>(w) || qobject_cast<QComboBox*>(w);
        if (!control)
            continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (!iface || iface->role() == QAccessible::ScrollBar)
            continue;
        if (iface->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QStringLiteral("%1 %2").arg(QString::fromLatin1(w->metaObject()->className()),
                                                    w->objectName());
    }
    return unnamed;
}

}  // namespace

class ViewAccessibleTest final : public QObject {
    Q_OBJECT

    COvrinApp* m_app = nullptr;

    CMainFrame& Frame() { return *m_app->MainFrame(); }
    COvrinDoc& Doc() { return m_app->Document(); }
    COvrinView& View() { return *Frame().ActiveView(); }
    CViewAccessible* ViewIface()
    {
        return dynamic_cast<CViewAccessible*>(QAccessible::queryAccessibleInterface(&View()));
    }

    // A document of entries "key i" with description "text i", the first one current.
    void Fill(int n)
    {
        Doc().OnNewDocument();
        std::vector<Entry> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back({"key " + std::to_string(i), "text " + std::to_string(i) + "\r\nline two"});
        SetEntries(Doc(), entries);
        Doc().m_nCurrent = 0;
        Doc().SetModifiedFlag(false);
        Frame().UpdateAllViews();
        Frame().activateWindow();
        View().setFocus();
        QTRY_VERIFY(View().hasFocus());
        g_events.clear();
    }

private slots:
    void initTestCase()
    {
        // The offscreen platform has no accessibility bridge, so Qt would
        // drop every event; the view's events are recorded instead.
        CViewAccessibility::SetEventSink(Record);
        m_app = new COvrinApp;
        QVERIFY(m_app->InitInstance({}));
        Frame().resize(800, 600);
        QVERIFY(QTest::qWaitForWindowExposed(&Frame()));
        Frame().activateWindow();
        View().setFocus();
    }

    void cleanupTestCase()
    {
        Doc().SetModifiedFlag(false);
        delete m_app;
        CViewAccessibility::SetEventSink(nullptr);
    }

    // The view's entry text holds key words, date and description, one under
    // the other, and has the focus. Walking and deleting announce the new
    // text; nothing changed, nothing is said. (That a reader finds it from
    // the top-level window is read over the bus by the desktop test.)
    void entryTextIsFollowed()
    {
        Fill(3);
        QTest::keyClick(&View(), '+');
        QAccessibleInterface* entry = ViewIface()->Entry();
        const QString text = QStringLiteral("key 1\n1.1.2026\ntext 1\nline two");
        QCOMPARE(AllText(entry), text);
        QCOMPARE(entry->text(QAccessible::Description), QStringLiteral("1.1.2026, Entry number 2 of 3"));
        QVERIFY(entry->state().focused);
        QCOMPARE(QAccessible::queryAccessibleInterface(&Frame())->focusChild(), entry);
        QVERIFY(SawEvent(QAccessible::NameChanged, entry));
        auto update = std::find_if(g_events.begin(), g_events.end(),
                                   [](const Seen& s) { return s.type == QAccessible::TextUpdated; });
        QVERIFY(update != g_events.end() && update->iface == entry);
        QCOMPARE(update->inserted, text);

        // Reading by line, as a reader walks the text.
        int start = 0, end = 0;
        QCOMPARE(entry->textInterface()->textAtOffset(8, QAccessible::LineBoundary, &start, &end).trimmed(),
                 QStringLiteral("1.1.2026"));

        g_events.clear();
        Frame().UpdateAllViews();
        QVERIFY(g_events.empty());

        Frame().ExecuteCommand(ID_ENTRY_DELETE);
        QVERIFY(SawEvent(QAccessible::TextUpdated, entry));
        QVERIFY(AllText(entry).startsWith(QStringLiteral("key 0\n")));
    }

    // A find hit in a description moves the reading position to the hit,
    // counted with every stored line break as one character.
    void findHitMovesTheReadingPosition()
    {
        Fill(3);
        Doc().m_arrDescriptions.Set(2, "one\r\ntwo\r\nthe needle here");
        ++Doc().m_nTableVersion;
        Frame().ExecuteCommand(ID_ENTRY_FIND);
        CFindDlg* find = m_app->Host().FindWindow();
        QVERIFY(find);
        find->findChild<QCheckBox*>()->setChecked(true);
        QTest::keyClicks(find->findChild<QLineEdit*>(), QStringLiteral("needle"));
        g_events.clear();
        QTest::keyClick(find->findChild<QLineEdit*>(), Qt::Key_Return);  // Next
        QCOMPARE(Doc().m_nCurrent, 2);

        CEntryAccessible* entry = ViewIface()->Entry();
        const QString text = AllText(entry);
        const int expected = static_cast<int>(text.indexOf(QStringLiteral("needle")));
        QCOMPARE(text.mid(expected - 4, 4), QStringLiteral("the "));
        QCOMPARE(entry->textInterface()->cursorPosition(), expected);
        QVERIFY(std::any_of(g_events.begin(), g_events.end(), [&](const Seen& s) {
            return s.type == QAccessible::TextCaretMoved && s.iface == entry && s.cursor == expected;
        }));
        find->reject();
        QTRY_VERIFY(!m_app->Host().FindWindow());
    }

    // Switching to the key list is announced; its current item has the
    // focus, also when focus comes back to the view, and is found at its
    // block on the screen. (Its items and the selected one are read over
    // the bus by the desktop test.)
    void keyListFocusFollowsTheCurrentEntry()
    {
        Fill(5);
        QTest::keyClick(&View(), 'n');
        QTest::keyClick(&View(), '-');  // the fourth entry
        g_events.clear();
        QTest::keyClick(&View(), 'k');
        QCoreApplication::processEvents();
        CViewAccessible* view = ViewIface();
        QVERIFY(SawEvent(QAccessible::ObjectReorder, view));
        QAccessibleInterface* list = view->child(0);
        QAccessibleInterface* current = list->focusChild();
        QVERIFY(current);
        QCOMPARE(list->indexOfChild(current), 3);
        QVERIFY(current->state().focused);
        QCOMPARE(view->focusChild(), current);
        View().clearFocus();
        g_events.clear();
        View().setFocus();
        QTRY_VERIFY(SawEvent(QAccessible::Focus, current));
        const QRect r = current->rect();
        QVERIFY(!r.isEmpty());
        QCOMPARE(list->childAt(r.center().x(), r.center().y()), current);

        g_events.clear();
        QTest::keyClick(&View(), 'b');
        QAccessibleInterface* first = list->child(0);
        QVERIFY(SawEvent(QAccessible::Focus, first));
        QVERIFY(SawEvent(QAccessible::Selection, first));
        QCOMPARE(list->focusChild(), first);
        Frame().ExecuteCommand(ID_VIEW_DESCRIPTION);
    }

    // With 200 000 entries only the items asked for exist, and items of
    // entries that went away are dropped.
    void keyListItemsAreMadeOnDemand()
    {
        Fill(200000);
        Frame().ExecuteCommand(ID_VIEW_KEYWORDS);
        QCoreApplication::processEvents();
        CKeyListAccessible* list = ViewIface()->KeyList();
        QCOMPARE(list->childCount(), 200000);
        QVERIFY(list->ItemsMade() < 10);
        QCOMPARE(Name(list->child(199999)), QStringLiteral("key 199999"));

        QTest::keyClick(&View(), 'n');
        const QAccessible::Id last = QAccessible::uniqueId(list->focusChild());
        QVERIFY(QAccessible::accessibleInterface(last));
        g_events.clear();
        Frame().ExecuteCommand(ID_ENTRY_DELETE);
        QVERIFY(!QAccessible::accessibleInterface(last));
        // The change is told through the view: a reorder of the list would
        // make the desktop's bridge announce each of its items.
        QVERIFY(SawEvent(QAccessible::ObjectReorder, ViewIface()));
        QVERIFY(!SawEvent(QAccessible::ObjectReorder, list));
        QCOMPARE(Name(list->focusChild()), QStringLiteral("key 199998"));
        QVERIFY(list->ItemsMade() < 10);
        Frame().ExecuteCommand(ID_VIEW_DESCRIPTION);
        Fill(0);
    }

    // Every control of every dialog, and every tool-bar button, has a name
    // a reader can say.
    void everyControlIsNamed()
    {
        Fill(2);
        QStringList unnamed;
        const auto check = [&](QWidget* dialog) {
            unnamed << UnnamedControls(dialog);
            static_cast<QDialog*>(dialog)->reject();
        };
        QCOMPARE(AnswerModal([&] { QTest::keyClick(&View(), 'e'); }, check), QStringLiteral("Edit-Dialog"));
        for (int id : {ID_APP_ABOUT, ID_HELP, ID_HELP_USAGE, ID_HELP_HISTORY})
            QVERIFY(!AnswerModal([&] { Frame().ExecuteCommand(id); }, check).isEmpty());
        QCOMPARE(AnswerModal([&] { Doc().ShowHint("No more hit!"); }, check), QStringLiteral("Hint"));

        Frame().ExecuteCommand(ID_ENTRY_FIND);
        QDialog* find = m_app->Host().FindWindow();
        QVERIFY(find);
        unnamed << UnnamedControls(find);
        find->reject();

        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));

        // Tool-bar buttons show only icons; a reader names them by their
        // tool tips, or without one by the menu text without its "&".
        QCOMPARE(Name(QAccessible::queryAccessibleInterface(
                     Frame().ToolBar()->widgetForAction(Frame().Actions().action(ID_FILE_NEW)))),
                 QStringLiteral("New"));
    }
};

OVRIN_WIDGET_TEST_MAIN(ViewAccessibleTest)
#include "view_accessible_test.moc"
