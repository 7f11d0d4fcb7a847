// SPDX-License-Identifier: MIT
#include "gui/view/view_accessibility.h"

#include <QAccessible>
#include <QEvent>
#include <QTimer>

#include <utility>

#include "core/document/ovrin_doc.h"
#include "gui/view/ovrin_view.h"
#include "gui/view/view_accessible.h"

namespace {

CViewAccessibility::EventSink g_sink = nullptr;

// A reader listens through the platform's bridge (or a sink records).
bool SomeoneListens() { return g_sink || QAccessible::isActive(); }

void Send(QAccessibleEvent&& event)
{
    if (g_sink)
        g_sink(&event);
    else
        QAccessible::updateAccessibility(&event);
}

}  // namespace

void CViewAccessibility::SetEventSink(EventSink sink) { g_sink = sink; }

CViewAccessibility::CViewAccessibility(COvrinView& view) : QObject(&view), m_view(view)
{
    setObjectName(QStringLiteral("viewAccessibility"));
    InstallViewAccessibleFactory();
    view.installEventFilter(this);
}

void CViewAccessibility::Notify(COvrinView& view)
{
    if (auto* self = view.findChild<CViewAccessibility*>(QString(), Qt::FindDirectChildrenOnly))
        self->Changed();
}

bool CViewAccessibility::eventFilter(QObject* watched, QEvent* event)
{
    // Qt announces the view itself as focused; what has the focus for the
    // reader is the current entry in it, announced once that is done.
    if (watched == &m_view && event->type() == QEvent::FocusIn && SomeoneListens())
        QTimer::singleShot(0, this, &CViewAccessibility::AnnounceFocus);
    return QObject::eventFilter(watched, event);
}

void CViewAccessibility::AnnounceFocus()
{
    if (!m_view.hasFocus())
        return;
    auto* iface = dynamic_cast<CViewAccessible*>(QAccessible::queryAccessibleInterface(&m_view));
    if (!iface)
        return;
    if (QAccessibleInterface* focus = iface->focusChild())
        Send(QAccessibleEvent(focus, QAccessible::Focus));
}

void CViewAccessibility::Changed()
{
    const COvrinDoc& doc = m_view.Document();
    Shown now;
    now.mode = static_cast<int>(ShownBy(doc));
    now.count = doc.Count();
    now.current = doc.Current();
    now.tableChanges = m_view.TableChangesHeard();
    if (!SomeoneListens()) {
        m_shown = now;  // nobody listens; the text is not worth making
        return;
    }
    auto* iface = dynamic_cast<CViewAccessible*>(QAccessible::queryAccessibleInterface(&m_view));
    if (!iface)
        return;
    const ViewShows shows = ShownBy(doc);
    if (shows != ViewShows::KeyList) {
        now.entryText = iface->Entry()->Text();
        now.findHit = FindHitOffset(doc);
    }
    const Shown before = std::exchange(m_shown, now);
    if (now == before)
        return;

    const bool modeChanged = now.mode != before.mode;
    if (modeChanged) {
        // The view's one child is another object now.
        Send(QAccessibleEvent(iface, QAccessible::ObjectReorder));
        Send(QAccessibleEvent(iface, QAccessible::NameChanged));
    }

    CKeyListAccessible* list = iface->KeyList();
    const bool tableChanged = now.count != before.count || now.tableChanges != before.tableChanges;
    if (tableChanged)
        list->DropItemsFrom(now.count);

    if (shows == ViewShows::KeyList) {
        // The list is announced anew through the view: a reorder of the list
        // itself makes the desktop's bridge walk and announce every item,
        // 200 000 of them in a large document.
        if (tableChanged && !modeChanged)
            Send(QAccessibleEvent(iface, QAccessible::ObjectReorder));
        if (modeChanged || now.current != before.current || tableChanged) {
            if (QAccessibleInterface* item = list->focusChild()) {
                Send(QAccessibleEvent(item, QAccessible::Selection));
                if (m_view.hasFocus())
                    Send(QAccessibleEvent(item, QAccessible::Focus));
            }
        }
        return;
    }

    CEntryAccessible* entry = iface->Entry();
    const bool textChanged = now.entryText != before.entryText;
    if (textChanged) {
        entry->setCursorPosition(0);
        Send(QAccessibleTextUpdateEvent(entry, 0, before.entryText, now.entryText));
        Send(QAccessibleEvent(entry, QAccessible::NameChanged));
    }
    // A find hit is where the reader goes on reading, as the marker shows it.
    if (now.findHit >= 0 && (textChanged || now.findHit != before.findHit)) {
        entry->setCursorPosition(now.findHit);
        Send(QAccessibleTextCursorEvent(entry, now.findHit));
    }
    if (modeChanged && m_view.hasFocus())
        Send(QAccessibleEvent(entry, QAccessible::Focus));
}
