// SPDX-License-Identifier: MIT
#pragma once

class QDialog;

// Modal dialogs of the program open centred over their owner (the parent's
// window, else the active window) and keep everyone else from taking input.
void PrepareModalDialog(QDialog& dialog);
void CenterOverOwner(QDialog& dialog);
