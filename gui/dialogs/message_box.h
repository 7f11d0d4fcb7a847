// SPDX-License-Identifier: MIT
#pragma once

#include <QMessageBox>

// A message box that opens centred over its owner, or on the screen when it
// has none, for the size it has once shown: QMessageBox settles its size
// only as it is shown, after Qt has placed it for the size it had before.
class CMessageBox final : public QMessageBox {
    Q_OBJECT
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override;
};
