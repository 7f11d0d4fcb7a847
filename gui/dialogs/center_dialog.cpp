// SPDX-License-Identifier: MIT
#include "gui/dialogs/center_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QDialog>
#include <QMargins>
#include <QScreen>

namespace {

// The frame the window manager puts around a window, known once it has
// been shown.
QMargins FrameMargins(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect inner = window.geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

}  // namespace

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
    const QScreen* screen = owner ? owner->screen() : dialog.screen();
    if (area.isEmpty() && screen)
        area = screen->availableGeometry();
    if (area.isEmpty())
        return;
    // Before its first showing the dialog has no frame yet: the window
    // manager gives it one like its owner's. Centring the bare dialog would
    // put it half a title bar too high, and moving it places the dialog
    // itself, the frame then going round it.
    const QMargins known = FrameMargins(dialog);
    const QMargins margins = known.isNull() && owner ? FrameMargins(*owner) : known;
    QRect frame(QPoint(), dialog.size().grownBy(margins));
    frame.moveCenter(area.center());
    // The window manager pushes a window placed partly off the screen back
    // onto it, in a corner: the dialog keeps to the screen itself, as close
    // to the middle as it can.
    if (screen) {
        const QRect room = screen->availableGeometry();
        frame.moveLeft(std::max(room.left(), std::min(frame.left(), room.right() + 1 - frame.width())));
        frame.moveTop(std::max(room.top(), std::min(frame.top(), room.bottom() + 1 - frame.height())));
    }
    dialog.move(frame.topLeft() + QPoint(margins.left() - known.left(), margins.top() - known.top()));
}
