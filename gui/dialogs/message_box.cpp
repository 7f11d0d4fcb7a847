// SPDX-License-Identifier: MIT
#include "dialogs/message_box.h"

#include "dialogs/center_dialog.h"

void CMessageBox::showEvent(QShowEvent* event)
{
    QMessageBox::showEvent(event);
    CenterOverOwner(*this);
}
