// SPDX-License-Identifier: MIT
#include "gui/res/command_actions.h"

#include <vector>

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "core/document/cmd_ui.h"
#include "gui/res/resources.h"

namespace {

// The text a command shows in the main menu; commands outside the menu use
// their tool tip without the leading blank.
QString MainMenuText(int id)
{
    for (const MenuItem& item : MainMenu())
        if (item.kind == MenuItemKind::Command && item.id == id)
            return QString::fromLatin1(item.text);
    const CommandInfo* info = FindCommand(id);
    return info ? QString::fromLatin1(info->toolTip).trimmed() : QString();
}

// Walks a menu table from index i, adding items to menu until the popup's
// EndPopup; makeAction gives the action for a command item.
template <typename MakeAction, typename OnPopup>
std::size_t FillMenu(QMenu* menu, std::span<const MenuItem> items, std::size_t i,
                     const MakeAction& makeAction, const OnPopup& onPopup)
{
    while (i < items.size()) {
        const MenuItem& item = items[i++];
        switch (item.kind) {
        case MenuItemKind::Command:
            menu->addAction(makeAction(menu, item));
            break;
        case MenuItemKind::Separator:
            menu->addSeparator();
            break;
        case MenuItemKind::Popup: {
            QMenu* sub = menu->addMenu(QString::fromLatin1(item.text));
            onPopup(sub);
            i = FillMenu(sub, items, i, makeAction, onPopup);
            break;
        }
        case MenuItemKind::EndPopup:
            return i;
        }
    }
    return i;
}

// Adds the button; a screen reader names it by its tool tip, as a sighted
// user learns it by pointing at it (its menu text carries "&" and the key).
void AddNamedButton(QToolBar* toolBar, QAction* action)
{
    toolBar->addAction(action);
    // Without a tool tip of its own an action's tip is its menu text.
    const QString name = action->toolTip().section(QLatin1Char('\t'), 0, 0).trimmed();
    if (QWidget* button = toolBar->widgetForAction(action))
        button->setAccessibleName(name);
}

}  // namespace

void ApplyCommandState(QAction* action, const CCmdUI& state)
{
    const bool checked = state.m_nCheck != 0;
    action->setEnabled(state.m_bEnabled);
    action->setCheckable(checked);
    action->setChecked(checked);
}

CCommandActions::CCommandActions(QObject* parent) : QObject(parent)
{
    EnsureResources();
    for (const CommandInfo& info : Commands()) {
        auto* action = new QAction(MainMenuText(info.id), this);
        action->setObjectName(QString::fromLatin1(info.name));
        action->setStatusTip(QString::fromLatin1(info.prompt));
        if (*info.toolTip)
            action->setToolTip(QString::fromLatin1(info.toolTip));
        if (info.icon)
            action->setIcon(QIcon(QString::fromLatin1(info.icon)));
        // The keys are the accelerator table's business, never Qt's shortcuts:
        // a shortcut would also fire inside the dialogs' edit fields.
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setIconVisibleInMenu(false);
        action->setData(info.id);
        const int id = info.id;
        connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
        m_actions.emplace(info.id, action);
    }
}

QAction* CCommandActions::action(int id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CCommandActions::BuildMainMenu(QMenuBar* menuBar)
{
    const std::span<const MenuItem> items = MainMenu();
    auto makeAction = [this](QMenu*, const MenuItem& item) { return action(item.id); };
    auto onPopup = [this](QMenu* menu) {
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { emit aboutToShowMenu(menu); });
    };
    std::size_t i = 0;
    while (i < items.size()) {
        const MenuItem& item = items[i++];
        if (item.kind != MenuItemKind::Popup)
            continue;
        QMenu* menu = menuBar->addMenu(QString::fromLatin1(item.text));
        onPopup(menu);
        i = FillMenu(menu, items, i, makeAction, onPopup);
    }
}

void CCommandActions::BuildToolBar(QToolBar* toolBar) const
{
    for (const ToolBarItem& item : ToolBarButtons()) {
        if (item.id == 0)
            toolBar->addSeparator();
        else
            AddNamedButton(toolBar, action(item.id));
    }
}

void CCommandActions::ApplyStates(const std::function<CCmdUI(int id)>& state)
{
    for (const auto& [id, action] : m_actions)
        ApplyCommandState(action, state(id));
}

QMenu* BuildContextMenu(QWidget* parent, const std::function<CCmdUI(int id)>& state,
                        const std::function<void(int id)>& dispatch)
{
    auto* menu = new QMenu(parent);
    const std::span<const MenuItem> items = ContextMenu();
    auto makeAction = [&state, &dispatch](QMenu* owner, const MenuItem& item) {
        auto* action = new QAction(QString::fromLatin1(item.text), owner);
        if (const CommandInfo* info = FindCommand(item.id)) {
            action->setObjectName(QString::fromLatin1(info->name));
            action->setStatusTip(QString::fromLatin1(info->prompt));
        }
        action->setData(item.id);
        ApplyCommandState(action, state(item.id));
        const int id = item.id;
        QObject::connect(action, &QAction::triggered, owner, [dispatch, id] { dispatch(id); });
        return action;
    };
    auto onPopup = [](QMenu*) {};
    // The resource holds one popup; its items are the menu.
    std::size_t i = 0;
    if (!items.empty() && items[0].kind == MenuItemKind::Popup) {
        menu->setTitle(QString::fromLatin1(items[0].text));
        i = 1;
    }
    FillMenu(menu, items, i, makeAction, onPopup);
    return menu;
}
