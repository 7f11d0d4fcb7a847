// SPDX-License-Identifier: MIT
#include "gui/dialogs/center_dialog.h"

#include <QApplication>
#include <QDialog>
#include <QScreen>

void PrepareModalDialog(QDialog& dialog)
{
    // Application-modal so that the modeless Find window cannot move the
    // current entry while a modal dialog waits for its answer.
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void CenterOverOwner(QDialog& dialog)
{
    const QWidget* owner = dialog.parentWidget() ? dialog.parentWidget()->window()
                                                 : QApplication::activeWindow();
    if (owner == &dialog)
        owner = nullptr;
    QRect area;
    if (owner)
        area = owner->frameGeometry();
    else if (const QScreen* screen = dialog.screen())
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    QRect frame = dialog.frameGeometry();
    frame.moveCenter(area.center());
    dialog.move(frame.topLeft());
}
