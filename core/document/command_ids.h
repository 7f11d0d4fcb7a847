// SPDX-License-Identifier: MIT
#pragma once

// Command identifiers. The program's own commands are numbered from 32771;
// the standard commands keep the numbers their framework gave them, because
// the shell registration, the accelerators and the tests refer to them.
namespace cmd {
inline constexpr int ID_ENTRY_ADD = 32771;
inline constexpr int ID_ENTRY_EDIT = 32772;
inline constexpr int ID_ENTRY_DELETE = 32774;
inline constexpr int ID_ENTRY_UNDO = 32775;
inline constexpr int ID_ENTRY_FIND = 32776;
inline constexpr int ID_ENTRY_NEXT = 32777;
inline constexpr int ID_ENTRY_BACK = 32778;
inline constexpr int ID_VIEW_DESCRIPTION = 32779;
inline constexpr int ID_HELP_USAGE = 32781;
inline constexpr int ID_HELP_HISTORY = 32782;
inline constexpr int ID_VIEW_KEYWORDS = 32785;
inline constexpr int ID_ENTRY_FIRST = 32792;
inline constexpr int ID_ENTRY_LAST = 32795;
inline constexpr int ID_FORMAT_DINA4 = 32817;
inline constexpr int ID_FORMAT_VARIABLE = 32819;
inline constexpr int ID_OPTIONS_SAVE_IMMEDIATE = 32823;
inline constexpr int ID_FILE_MERGE = 32824;

inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_PRINT_SETUP = 57606;
inline constexpr int ID_FILE_PRINT = 57607;
inline constexpr int ID_FILE_PRINT_DIRECT = 57608;
inline constexpr int ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;  // to 57619
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_WINDOW_SPLIT = 57653;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_HELP = 57670;
inline constexpr int ID_NEXT_PANE = 57680;
inline constexpr int ID_PREV_PANE = 57681;
inline constexpr int ID_VIEW_TOOLBAR = 59392;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
}  // namespace cmd
