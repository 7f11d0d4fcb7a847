// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <map>

#include <QObject>

#include "gui/res/command_table.h"

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;
struct CCmdUI;

// One QAction per command of the table, created once and shared by the main
// menu and the tool bar. Triggering an action only announces its id; what
// runs, and whether it may run, is decided by the command router.
class CCommandActions final : public QObject {
    Q_OBJECT
public:
    explicit CCommandActions(QObject* parent = nullptr);

    // nullptr for an id that has no action.
    QAction* action(int id) const;
    const std::map<int, QAction*>& actions() const { return m_actions; }

    // Fills the menu bar from the main-menu table. Every popup asks for fresh
    // command states (aboutToShowMenu) before it opens.
    void BuildMainMenu(QMenuBar* menuBar);
    // Fills the tool bar with the 16 buttons and their separators.
    void BuildToolBar(QToolBar* toolBar) const;

    // Gives every action the state its rule asks for; a checked command's
    // tool-bar button shows pressed.
    void ApplyStates(const std::function<CCmdUI(int id)>& state);

signals:
    void commandTriggered(int id);
    void aboutToShowMenu(QMenu* menu);

private:
    std::map<int, QAction*> m_actions;
};

// Sets one action's enabled and checked state from a rule's result. A
// command is checkable only while it is checked, so an unchecked item shows
// no empty check box and clicking a checked button cannot leave it up.
void ApplyCommandState(QAction* action, const CCmdUI& state);

// Builds the view's context menu (resource "Context") with its own texts,
// item states taken from state(id), and choices passed to dispatch(id). The
// caller owns the menu (parent) and shows it with exec().
QMenu* BuildContextMenu(QWidget* parent, const std::function<CCmdUI(int id)>& state,
                        const std::function<void(int id)>& dispatch);
