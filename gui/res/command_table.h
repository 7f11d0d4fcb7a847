// SPDX-License-Identifier: MIT
#pragma once

#include <span>

#include <QString>
#include <Qt>

// The program's command resources in one place: every command with its
// status-bar prompt and tool tip, the main menu, the context menu, the tool
// bar and the accelerator table. Menus, tool bar and keys are all built from
// these tables, so a command looks and behaves the same wherever it appears.

// One command and its string-table entry (prompt, then tool tip). Commands
// without a tool-bar button have an empty tool tip; icon is a resource path
// or nullptr.
struct CommandInfo final {
    int id;
    const char* name;     // the identifier's name, used as the QAction's objectName
    const char* prompt;   // shown in the status bar while the item is highlighted
    const char* toolTip;  // leading blanks are part of the text
    const char* icon;
};

// Menus are written as in a resource script: a Popup opens a submenu that
// the matching EndPopup closes; Command items carry an id and their text
// (a tab separates the shown shortcut).
enum class MenuItemKind { Command, Separator, Popup, EndPopup };

struct MenuItem final {
    MenuItemKind kind;
    int id;
    const char* text;
};

// A tool-bar slot: a command id, or 0 for a separator.
struct ToolBarItem final {
    int id;
};

// Character entries match the character a key press produces (case matters,
// and any key producing it counts, the keypad's as well); key entries match
// one key with exactly the modifiers given.
enum class AccelKind { Character, Key };

struct Accelerator final {
    AccelKind kind;
    char32_t character;            // Character entries
    int key;                       // Key entries: a Qt::Key
    Qt::KeyboardModifiers modifiers;  // Key entries
    int id;
};

std::span<const CommandInfo> Commands();
// nullptr for an id the table does not know.
const CommandInfo* FindCommand(int id);

std::span<const MenuItem> MainMenu();
std::span<const MenuItem> ContextMenu();
std::span<const ToolBarItem> ToolBarButtons();
std::span<const Accelerator> Accelerators();

// The command a key press stands for, or 0. text is what the key produced;
// modifiers are the ones held down (the keypad flag is ignored).
int MatchAccelerator(int key, Qt::KeyboardModifiers modifiers, const QString& text);

// Shown in the message pane when no prompt applies.
inline constexpr const char* kIdleMessage = "Ready";
// Number of recent files the File menu keeps.
inline constexpr int kRecentFileCount = 4;
