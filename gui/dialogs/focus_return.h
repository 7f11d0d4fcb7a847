// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// Gives the keyboard back to a dialog's owner when the dialog goes away.
// A window manager usually does so, but without one (or with one that
// focuses whatever lies under the mouse) the keyboard would go nowhere and
// the user's next key would be lost. Installed on the application, it
// watches every dialog of the program, Qt's own file and message dialogs
// included.
class CFocusReturn final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
