// SPDX-License-Identifier: MIT
#include "gui/frame/accelerator_filter.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QWidget>

#include "gui/res/command_table.h"

CAcceleratorFilter::CAcceleratorFilter(QWidget* window, std::function<void(int id)> onCommand,
                                       std::function<void()> onKey)
    : QObject(window), m_window(window), m_onCommand(std::move(onCommand)),
      m_onKey(std::move(onKey))
{
}

bool CAcceleratorFilter::OpensMenu(const QKeyEvent& key, QWidget& focused) const
{
    // The desktop's keys for the menus: F10 opens the menu bar, Shift+F10
    // the focused widget's context menu, where the Menu key would.
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    if (key.key() != Qt::Key_F10 || (mods != Qt::NoModifier && mods != Qt::ShiftModifier))
        return false;
    if (mods == Qt::ShiftModifier) {
        QRect cursor = focused.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const QPoint at = cursor.isValid() ? cursor.center() : focused.rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, focused.mapToGlobal(at));
        QCoreApplication::sendEvent(&focused, &menu);
        return true;
    }
    auto* bar = m_window->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar || bar->actions().isEmpty())
        return false;
    bar->setFocus(Qt::MenuBarFocusReason);
    bar->setActiveAction(bar->actions().constFirst());
    return true;
}

bool CAcceleratorFilter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    // A lock key pressed in any window of the program (a dialog, the Find
    // window) changes what the indicators must show.
    if (m_onKey)
        m_onKey();
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || !m_window || widget->window() != m_window)
        return false;
    // A key event that nobody takes travels up the parents; looking at it
    // again there finds the same (non-)match, so no bookkeeping is needed.
    if (type != QEvent::KeyPress || QApplication::activePopupWidget() ||
        QApplication::activeModalWidget() || qobject_cast<QMenuBar*>(widget))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (OpensMenu(*key, *widget))
        return true;
    const int id = MatchAccelerator(key->key(), key->modifiers(), key->text());
    if (id == 0)
        return false;
    m_onCommand(id);
    return true;
}
