// SPDX-License-Identifier: MIT
#include "gui/res/command_table.h"

#include <algorithm>

#include <QList>

#include "core/document/command_ids.h"

using namespace cmd;

namespace {

constexpr CommandInfo kCommands[] = {
    // The program's own commands.
    {ID_ENTRY_ADD, "ID_ENTRY_ADD", "Add a new entry.", " Add entry", ":/icons/add.svg"},
    {ID_ENTRY_EDIT, "ID_ENTRY_EDIT", "Edit current entry.", " Edit entry", ":/icons/edit.svg"},
    {ID_ENTRY_DELETE, "ID_ENTRY_DELETE", "Delete current entry.", " Delete entry",
     ":/icons/delete.svg"},
    {ID_ENTRY_UNDO, "ID_ENTRY_UNDO", "Undo 'delete entry'.", " Undo", ":/icons/undo.svg"},
    {ID_ENTRY_FIND, "ID_ENTRY_FIND",
     "Find a search string in keywords and  optionally in descriptions.", " Find search string",
     ":/icons/find.svg"},
    {ID_ENTRY_NEXT, "ID_ENTRY_NEXT", "One entry forward.", " Next", ":/icons/next.svg"},
    {ID_ENTRY_BACK, "ID_ENTRY_BACK", "One entry backward.", " Back", ":/icons/back.svg"},
    {ID_VIEW_DESCRIPTION, "ID_VIEW_DESCRIPTION", "Display keywords with description.",
     " Description", ":/icons/description.svg"},
    {ID_HELP_USAGE, "ID_HELP_USAGE", "Display  usage hints.", " Usage", nullptr},
    {ID_HELP_HISTORY, "ID_HELP_HISTORY", "Display Ovrin history.", " History", nullptr},
    {ID_VIEW_KEYWORDS, "ID_VIEW_KEYWORDS", "Display all keywords.", " keywords ",
     ":/icons/keywords.svg"},
    {ID_ENTRY_FIRST, "ID_ENTRY_FIRST", "Display first entry. ", " First entry",
     ":/icons/first.svg"},
    {ID_ENTRY_LAST, "ID_ENTRY_LAST", "Display last entry. ", " Last entry", ":/icons/last.svg"},
    {ID_FORMAT_DINA4, "ID_FORMAT_DINA4", "Switch view to fixed width (DIN A4).", " DIN A4 width",
     nullptr},
    {ID_FORMAT_VARIABLE, "ID_FORMAT_VARIABLE", "Switch view to variable width.",
     " Variable width", nullptr},
    {ID_OPTIONS_SAVE_IMMEDIATE, "ID_OPTIONS_SAVE_IMMEDIATE", "Save changes immediate ",
     " Save immediate", nullptr},
    {ID_HELP, "ID_HELP", "Display user manual.", " Manual", ":/icons/manual.svg"},
    {ID_FILE_MERGE, "ID_FILE_MERGE", "Add the entries of another document that this one lacks.",
     " Merge", nullptr},

    // The standard commands with their standard texts.
    {ID_FILE_NEW, "ID_FILE_NEW", "Create a new document", "New", ":/icons/new.svg"},
    {ID_FILE_OPEN, "ID_FILE_OPEN", "Open an existing document", "Open", ":/icons/open.svg"},
    {ID_FILE_SAVE, "ID_FILE_SAVE", "Save the active document", "Save", ":/icons/save.svg"},
    {ID_FILE_SAVE_AS, "ID_FILE_SAVE_AS", "Save the active document with a new name", "Save As",
     nullptr},
    {ID_FILE_PRINT_SETUP, "ID_FILE_PRINT_SETUP", "Change the printer and printing options",
     "Print Setup", nullptr},
    {ID_FILE_PRINT, "ID_FILE_PRINT", "Print the active document", "Print", ":/icons/print.svg"},
    {ID_FILE_PRINT_DIRECT, "ID_FILE_PRINT_DIRECT", "", "", nullptr},
    {ID_FILE_PRINT_PREVIEW, "ID_FILE_PRINT_PREVIEW", "Display full pages", "Print Preview",
     nullptr},
    {ID_FILE_MRU_FILE1, "ID_FILE_MRU_FILE1", "Open this document", "", nullptr},
    {ID_FILE_MRU_FILE1 + 1, "ID_FILE_MRU_FILE2", "Open this document", "", nullptr},
    {ID_FILE_MRU_FILE1 + 2, "ID_FILE_MRU_FILE3", "Open this document", "", nullptr},
    {ID_FILE_MRU_FILE1 + 3, "ID_FILE_MRU_FILE4", "Open this document", "", nullptr},
    {ID_EDIT_COPY, "ID_EDIT_COPY", "Copy the selection and put it on the Clipboard", "Copy",
     nullptr},
    {ID_EDIT_CUT, "ID_EDIT_CUT", "Cut the selection and put it on the Clipboard", "Cut", nullptr},
    {ID_EDIT_PASTE, "ID_EDIT_PASTE", "Insert Clipboard contents", "Paste", nullptr},
    {ID_EDIT_UNDO, "ID_EDIT_UNDO", "Undo the last action", "Undo", nullptr},
    {ID_WINDOW_SPLIT, "ID_WINDOW_SPLIT", "Split the active window into panes", "Split", nullptr},
    {ID_APP_ABOUT, "ID_APP_ABOUT", "Display program information, version number and copyright",
     "About", nullptr},
    {ID_APP_EXIT, "ID_APP_EXIT", "Quit the application; prompts to save documents", "Exit",
     nullptr},
    {ID_NEXT_PANE, "ID_NEXT_PANE", "Switch to the next window pane", "Next Pane", nullptr},
    {ID_PREV_PANE, "ID_PREV_PANE", "Switch back to the previous window pane", "Previous Pane",
     nullptr},
    {ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", "Show or hide the toolbar", "Toggle ToolBar", nullptr},
    {ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", "Show or hide the status bar", "Toggle StatusBar",
     nullptr},
};

constexpr MenuItem Cmd(int id, const char* text) { return {MenuItemKind::Command, id, text}; }
constexpr MenuItem Popup(const char* text) { return {MenuItemKind::Popup, 0, text}; }
constexpr MenuItem kSep{MenuItemKind::Separator, 0, nullptr};
constexpr MenuItem kEnd{MenuItemKind::EndPopup, 0, nullptr};

constexpr MenuItem kMainMenu[] = {
    Popup("&File"),
        Cmd(ID_FILE_NEW, "&New\tCtrl+N"),
        Cmd(ID_FILE_OPEN, "&Open...\tCtrl+O"),
        Cmd(ID_FILE_SAVE, "&Save\tCtrl+S"),
        Cmd(ID_FILE_SAVE_AS, "Save &As..."),
        Cmd(ID_FILE_MERGE, "&Merge..."),
        kSep,
        Cmd(ID_FILE_PRINT, "&Print...\tCtrl+P"),
        Cmd(ID_FILE_PRINT_PREVIEW, "Print Pre&view"),
        Cmd(ID_FILE_PRINT_SETUP, "P&rint Setup..."),
        kSep,
        // Grayed placeholder; the recent files take its place when there are any.
        Cmd(ID_FILE_MRU_FILE1, "Recent File"),
        kSep,
        Cmd(ID_APP_EXIT, "E&xit"),
    kEnd,
    Popup("&Edit"),
        Cmd(ID_ENTRY_ADD, "&ADD"),
        Cmd(ID_ENTRY_EDIT, "&Edit"),
        kSep,
        Popup("Delete"),
            Cmd(ID_ENTRY_DELETE, "Entry"),
            Cmd(ID_ENTRY_UNDO, "Undo"),
        kEnd,
        kSep,
        Cmd(ID_ENTRY_FIND, "&Find"),
        Cmd(ID_ENTRY_NEXT, "&Next"),
        Cmd(ID_ENTRY_BACK, "&Back"),
        Cmd(ID_ENTRY_FIRST, "F&irst"),
        Cmd(ID_ENTRY_LAST, "&Last"),
        kSep,
        Popup("Options"),
            Cmd(ID_OPTIONS_SAVE_IMMEDIATE, "Save immediate"),
        kEnd,
    kEnd,
    Popup("&View"),
        Cmd(ID_VIEW_TOOLBAR, "&Toolbar"),
        Cmd(ID_VIEW_STATUS_BAR, "&Status Bar"),
        Cmd(ID_WINDOW_SPLIT, "S&plit"),
        kSep,
        Cmd(ID_VIEW_DESCRIPTION, "&Description"),
        Cmd(ID_VIEW_KEYWORDS, "&Key words"),
        Popup("&Format"),
            Cmd(ID_FORMAT_DINA4, "DIN &A4"),
            Cmd(ID_FORMAT_VARIABLE, "&variable"),
        kEnd,
    kEnd,
    Popup("&Help"),
        Cmd(ID_APP_ABOUT, "&About Ovrin..."),
        Cmd(ID_HELP, "&Manual"),
        Cmd(ID_HELP_USAGE, "&Usage"),
        Cmd(ID_HELP_HISTORY, "&History"),
    kEnd,
};

// The view's right-button menu: one popup, with texts of its own.
constexpr MenuItem kContextMenu[] = {
    Popup("Context"),
        Cmd(ID_ENTRY_EDIT, "&Edit"),
        Cmd(ID_FILE_PRINT, "&Print"),
        kSep,
        Cmd(ID_ENTRY_ADD, "&Add"),
        Popup("&Delete"),
            Cmd(ID_ENTRY_DELETE, "Entry"),
            Cmd(ID_ENTRY_UNDO, "Undo"),
        kEnd,
        kSep,
        Cmd(ID_ENTRY_FIND, "&Find"),
        kSep,
        Popup("&Format"),
            Cmd(ID_FORMAT_DINA4, "DIN &A4"),
            Cmd(ID_FORMAT_VARIABLE, "&variable"),
        kEnd,
    kEnd,
};

constexpr ToolBarItem kToolBar[] = {
    {ID_FILE_NEW}, {ID_FILE_OPEN}, {ID_FILE_SAVE}, {ID_FILE_PRINT}, {0},
    {ID_ENTRY_ADD}, {ID_ENTRY_EDIT}, {0},
    {ID_ENTRY_DELETE}, {ID_ENTRY_UNDO}, {0},
    {ID_VIEW_DESCRIPTION}, {ID_VIEW_KEYWORDS}, {0},
    {ID_ENTRY_FIND}, {0},
    {ID_ENTRY_NEXT}, {ID_ENTRY_BACK}, {ID_ENTRY_LAST}, {ID_ENTRY_FIRST}, {0},
    {ID_HELP},
};

constexpr Accelerator Char(char32_t c, int id) { return {AccelKind::Character, c, 0, {}, id}; }
constexpr Accelerator Key(int key, Qt::KeyboardModifiers mods, int id)
{
    return {AccelKind::Key, 0, key, mods, id};
}

constexpr Qt::KeyboardModifiers kNone{};
constexpr Qt::KeyboardModifiers kCtrl{Qt::ControlModifier};
constexpr Qt::KeyboardModifiers kShift{Qt::ShiftModifier};
constexpr Qt::KeyboardModifiers kAlt{Qt::AltModifier};

const Accelerator kAccelerators[] = {
    Char(U'+', ID_ENTRY_NEXT),
    Char(U'-', ID_ENTRY_BACK),
    Char(U'<', ID_ENTRY_BACK),
    Char(U'>', ID_ENTRY_NEXT),
    Char(U'?', ID_HELP),
    Key(Qt::Key_C, kCtrl, ID_EDIT_COPY),
    Key(Qt::Key_N, kCtrl, ID_FILE_NEW),
    Key(Qt::Key_O, kCtrl, ID_FILE_OPEN),
    Key(Qt::Key_P, kCtrl, ID_FILE_PRINT),
    Key(Qt::Key_S, kCtrl, ID_FILE_SAVE),
    Key(Qt::Key_V, kCtrl, ID_EDIT_PASTE),
    Key(Qt::Key_Backspace, kAlt, ID_EDIT_UNDO),
    Key(Qt::Key_Delete, kShift, ID_EDIT_CUT),
    Key(Qt::Key_F6, kNone, ID_NEXT_PANE),
    Key(Qt::Key_F6, kShift, ID_PREV_PANE),
    Key(Qt::Key_Insert, kCtrl, ID_EDIT_COPY),
    Key(Qt::Key_Insert, kShift, ID_EDIT_PASTE),
    Key(Qt::Key_X, kCtrl, ID_EDIT_CUT),
    Key(Qt::Key_Z, kCtrl, ID_EDIT_UNDO),
    Char(U'a', ID_ENTRY_ADD),
    Char(U'b', ID_ENTRY_FIRST),
    Char(U'd', ID_VIEW_DESCRIPTION),
    Char(U'e', ID_ENTRY_EDIT),
    Char(U'f', ID_ENTRY_FIND),
    Char(U'k', ID_VIEW_KEYWORDS),
    Char(U'n', ID_ENTRY_LAST),
    // Not in the table itself: F1 on the main window asks for help.
    Key(Qt::Key_F1, kNone, ID_HELP),
};

}  // namespace

std::span<const CommandInfo> Commands() { return kCommands; }

const CommandInfo* FindCommand(int id)
{
    const auto it = std::find_if(std::begin(kCommands), std::end(kCommands),
                                 [id](const CommandInfo& c) { return c.id == id; });
    return it == std::end(kCommands) ? nullptr : &*it;
}

std::span<const MenuItem> MainMenu() { return kMainMenu; }
std::span<const MenuItem> ContextMenu() { return kContextMenu; }
std::span<const ToolBarItem> ToolBarButtons() { return kToolBar; }
std::span<const Accelerator> Accelerators() { return kAccelerators; }

int MatchAccelerator(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // A character is what the key produced; Ctrl and Alt combinations
    // produce control codes or nothing, never the plain character.
    const bool plainCharacter = !(held & (Qt::ControlModifier | Qt::AltModifier |
                                          Qt::MetaModifier)) &&
                                text.size() >= 1;
    const char32_t typed = plainCharacter ? text.toUcs4().value(0) : 0;
    for (const Accelerator& a : kAccelerators) {
        if (a.kind == AccelKind::Character) {
            if (plainCharacter && typed == a.character)
                return a.id;
        } else if (key == a.key && held == a.modifiers) {
            return a.id;
        }
    }
    return 0;
}
