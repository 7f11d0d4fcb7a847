// SPDX-License-Identifier: MIT
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

struct CCommandLineInfo;
struct ModeStreams;  // where a mode writes; the command's own (cli/)

// One mode of the `ovrin` command that runs without a window (--list...).
// Its synopsis names its operands in order; a word in brackets that begins
// with "--" is a switch only this mode takes ("TEXT [--descriptions] FILE").
// The usage and --help texts are made from the table of these.
struct CommandMode final {
    std::string_view option;    // "--list"
    std::string_view alias;     // another spelling ("-h"), or empty
    std::string_view synopsis;  // "FILE"
    std::string_view help;      // what it does, lines broken with '\n'
    int (*run)(const CCommandLineInfo& line, ModeStreams& streams) = nullptr;

    std::vector<std::string_view> Operands() const;
    std::string_view Switch() const;  // empty when it takes none
};

// What the arguments of a start ask for, read the same way by `ovrin` and
// by the window program: one of the given modes with its operands, or a
// window with an optional document path and the switches /p, /pt and /dde
// (also written with '-', any case). Only those exact words are switches,
// so an absolute path such as /home/a.ovr is a file name. Options may come
// in any order; "--" ends them, so that "--list -- -odd.ovr" lists a file
// whose name begins with a dash. After /pt the arguments following the file
// are printer, driver and port; missing ones stay empty (the default
// printer).
struct CCommandLineInfo final {
    enum class Shell { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE };
    Shell m_nShellCommand = Shell::FileNew;
    std::string m_strFileName;  // bytes, as the system gave them
    std::string m_strPrinterName;
    std::string m_strDriverName;
    std::string m_strPortName;
    // The mode asked for, or null for a window; its operands in the order
    // of its synopsis, and whether its switch was given.
    const CommandMode* m_pMode = nullptr;
    std::vector<std::string> m_operands;
    bool m_bSwitch = false;
    // Why the arguments cannot be followed (an option of another kind, too
    // many files); empty when they can. A mistyped option never opens a
    // window on a file of that name.
    std::string m_strError;
};

// Reads the arguments after the program name. The window program passes no
// modes: what names one is an unknown option to it, for `ovrin` to answer.
CCommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments,
                                  std::span<const CommandMode> modes = {});
