// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the arguments of a start ask for, read the same way by `ovrin` and
// by the window program: an optional document path and the switches /p,
// /pt and /dde (also written with '-', any case). Only those exact words
// are switches, so an absolute path such as /home/a.ovr is a file name.
// After /pt the arguments following the file are printer, driver and port;
// missing ones stay empty (the default printer).
struct CCommandLineInfo final {
    enum class Shell { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE };
    Shell m_nShellCommand = Shell::FileNew;
    std::string m_strFileName;  // bytes, as the system gave them
    std::string m_strPrinterName;
    std::string m_strDriverName;
    std::string m_strPortName;
    // Why the arguments cannot be followed (an option of another kind, too
    // many files); empty when they can. A mistyped option never opens a
    // window on a file of that name.
    std::string m_strError;
};

// Reads the arguments after the program name.
CCommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments);

// Whether arg names one of the command-line tools' modes (--list...), which
// run without a window and only as the first argument.
bool IsToolMode(std::string_view arg);
