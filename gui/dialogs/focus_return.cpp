// SPDX-License-Identifier: MIT
#include "gui/dialogs/focus_return.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

bool CFocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Hide || !watched->isWidgetType())
        return false;
    const auto* dialog = static_cast<QWidget*>(watched);
    if (!dialog->isWindow() || dialog->windowType() != Qt::Dialog || !dialog->parentWidget())
        return false;
    const QPointer<QWidget> owner = dialog->parentWidget()->window();
    // Once the dialog's own handling is over: a dialog that ends by opening
    // another one keeps the keyboard with that one.
    QTimer::singleShot(0, this, [owner] {
        if (!owner || !owner->isVisible() || owner->isMinimized())
            return;
        const QWidget* modal = QApplication::activeModalWidget();
        if ((modal && modal != owner) || QApplication::activeWindow() == owner)
            return;
        owner->activateWindow();
    });
    return false;
}
