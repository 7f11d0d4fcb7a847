// SPDX-License-Identifier: MIT
#include "gui/dialogs/message_box.h"

#include "gui/dialogs/center_dialog.h"

void CMessageBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event);
    CenterOverOwner(*this);
}
