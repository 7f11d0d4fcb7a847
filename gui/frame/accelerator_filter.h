// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

#include <QObject>
#include <QPointer>

class QKeyEvent;
class QWidget;

// The accelerator table of one window. Installed on the application, it
// sees a key press before the focused widget does, as long as that widget
// lies in the window; keys of other windows (dialogs with edit fields, the
// Find window) and of open menus pass untouched.
class CAcceleratorFilter final : public QObject {
    Q_OBJECT
public:
    // onCommand receives the id of every matching key press, which is then
    // consumed. onKey is told of every key event of any window of the
    // program (for the lock indicators).
    CAcceleratorFilter(QWidget* window, std::function<void(int id)> onCommand,
                       std::function<void()> onKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OpensMenu(const QKeyEvent& key, QWidget& focused) const;

    QPointer<QWidget> m_window;
    std::function<void(int id)> m_onCommand;
    std::function<void()> m_onKey;
};
