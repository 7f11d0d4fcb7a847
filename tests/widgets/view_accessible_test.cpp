// SPDX-License-Identifier: MIT
// What assistive technology learns from the main window: its tree, entry text, key list focus, change events.

#include <algorithm>
#include <vector>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QTest>

#include "../common/test_documents.h"
#include "gui/app/ovrin_app.h"
#include "core/document/command_ids.h"
#include "core/document/ovrin_doc.h"
#include "core/text/text_form.h"
#include "gui/frame/main_frame.h"
#include "gui/view/ovrin_view.h"
#include "gui/view/view_accessible.h"
#include "gui/view/view_accessibility.h"
#include "widget_test_support.h"

using namespace cmd;

namespace {
// One accessibility event as a reader would have received it.
struct Seen {
    QAccessible::Event type;
    QAccessibleInterface* iface;
    QString inserted;  // text updates only
};
std::vector<Seen> g_events;

void Record(QAccessibleEvent* event)
{
    Seen seen{event->type(), event->accessibleInterface(), QString()};
    if (event->type() == QAccessible::TextUpdated)
        seen.inserted = static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted();
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

// Depth first from node, as a reader walks: the first interface of that role and name.
QAccessibleInterface* Find(QAccessibleInterface* node, QAccessible::Role role, const QString& name, int depth = 12)
{
    if (!node || depth < 0)
        return nullptr;
    if (node->role() == role && Name(node) == name)
        return node;
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* found = Find(node->child(i), role, name, depth - 1))
            return found;
    return nullptr;
}

// Presses the button as a reader does; it answers with an animated click a moment later.
void Press(QAccessibleInterface* button)
{
    QVERIFY(button && button->actionInterface());
    button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTest::qWait(300);
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

    // A document of entries "key i" with description "text i" (a wide text), the first one current.
    void Fill(int n)
    {
        Doc().OnNewDocument();
        std::vector<Entry> entries;
        for (int i = 0; i < n; ++i)
            entries.push_back({"key " + std::to_string(i), *TextFromUtf8("text " + std::to_string(i) + "\r\nline two \u0142\u4E2D")});
        SetEntries(Doc(), entries);
        Doc().SetCurrent(0);
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
        // Offscreen has no accessibility bridge (Qt drops every event), so the view's events are recorded.
        CViewAccessibility::SetEventSink(Record);
        m_app = new COvrinApp;
        QVERIFY(m_app->InitInstance(QStringList{}));
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

    // From the main window as a reader walks: the welcome text, an entry added via Add and the Edit dialog's
    // named fields, read back by name, and the key list via Key words, current item selected.
    void readerWorksTheWindow()
    {
        Fill(0);
        QAccessibleInterface* top = QAccessible::queryAccessibleInterface(&Frame());
        QAccessibleInterface* pane = Find(top, ViewIface()->role(), QStringLiteral("Welcome"));
        QVERIFY(pane && pane->childCount() == 1);
        QVERIFY(AllText(pane->child(0)).contains(QStringLiteral("Please open Ovrin document")));
        for (const char* keyWords : {"Gamma notes", "Alpha notes"}) {
            test_support::AnswerModal([&] { Press(Find(top, QAccessible::Button, QStringLiteral("Add entry"))); },
                                      [&](QWidget* dialog) {
                QAccessibleInterface* d = QAccessible::queryAccessibleInterface(dialog);
                QCOMPARE(Name(d), QStringLiteral("Edit-Dialog"));
                for (const auto& [name, value] : {std::pair{"Key words", keyWords}, {"Description", "first\nsecond"}}) {
                    QAccessibleInterface* field = Find(d, QAccessible::EditableText, QString::fromLatin1(name));
                    QVERIFY(field && field->editableTextInterface());
                    field->editableTextInterface()->replaceText(0, field->textInterface()->characterCount(),
                                                                QString::fromLatin1(value));
                }
                Press(Find(d, QAccessible::Button, QStringLiteral("OK")));
            });
        }
        QAccessibleInterface* entry = ViewIface()->child(0);
        QCOMPARE(Name(entry), QStringLiteral("Alpha notes"));
        QVERIFY(AllText(entry).startsWith(QStringLiteral("Alpha notes\n")));
        QVERIFY(AllText(entry).endsWith(QStringLiteral("\nfirst\nsecond")));
        Press(Find(top, QAccessible::Button, QStringLiteral("keywords")));
        QAccessibleInterface* list = Find(top, QAccessible::List, QStringLiteral("Key words"));
        QVERIFY(list && list->childCount() == 2);
        QCOMPARE(Name(list->child(0)) + "|" + Name(list->child(1)), QStringLiteral("Alpha notes|Gamma notes"));
        QVERIFY(list->child(0)->state().selected && !list->child(1)->state().selected);
        Frame().ExecuteCommand(ID_VIEW_DESCRIPTION);
    }

    // The focused entry text stacks key words, date, description; walking and deleting announce it; no change, silence.
    void entryTextIsFollowed()
    {
        Fill(3);
        QTest::keyClick(&View(), '+');
        QAccessibleInterface* entry = ViewIface()->Entry();
        const QString text = QString::fromUtf8("key 1\n1.1.2026\ntext 1\nline two \u0142\u4E2D");
        QCOMPARE(AllText(entry), text);
        QCOMPARE(entry->text(QAccessible::Description), QStringLiteral("1.1.2026, Entry number 2 of 3"));
        QVERIFY(entry->state().focused);
        QCOMPARE(QAccessible::queryAccessibleInterface(&Frame())->focusChild(), entry);
        QVERIFY(SawEvent(QAccessible::NameChanged, entry));
        auto update = std::find_if(g_events.begin(), g_events.end(),
                                   [](const Seen& s) { return s.type == QAccessible::TextUpdated; });
        QVERIFY(update != g_events.end() && update->iface == entry);
        QCOMPARE(update->inserted, text);

        g_events.clear();
        Frame().UpdateAllViews();
        QVERIFY(g_events.empty());

        Frame().ExecuteCommand(ID_ENTRY_DELETE);
        QVERIFY(SawEvent(QAccessible::TextUpdated, entry));
        QVERIFY(AllText(entry).startsWith(QStringLiteral("key 0\n")));

        // An entry rewritten in place, the count and position kept.
        Doc().RewriteEntry(0, 0, {"key 0", "edited", "1.1.2026"});
        Frame().UpdateAllViews();
        QVERIFY(AllText(entry).endsWith(QStringLiteral("edited")));
    }

    // Switching to the key list is announced; its current item has focus, also when the view regains it.
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

        g_events.clear();
        QTest::keyClick(&View(), 'b');
        QAccessibleInterface* first = list->child(0);
        QVERIFY(SawEvent(QAccessible::Focus, first));
        QVERIFY(SawEvent(QAccessible::Selection, first));
        QCOMPARE(list->focusChild(), first);
        g_events.clear();
        Doc().RewriteEntry(0, 0, {"key 0 edited", "text", "1.1.2026"});
        Frame().UpdateAllViews();
        QVERIFY(SawEvent(QAccessible::ObjectReorder, view));
        Frame().ExecuteCommand(ID_VIEW_DESCRIPTION);
    }
};

OVRIN_WIDGET_TEST_MAIN(ViewAccessibleTest)
#include "view_accessible_test.moc"
