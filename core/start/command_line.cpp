// SPDX-License-Identifier: MIT
#include "core/start/command_line.h"

#include <cctype>

namespace {

// The switch an argument names ("p", "pt" or "dde"), or empty.
std::string SwitchName(std::string_view arg)
{
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return {};
    std::string name(arg.substr(1));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name == "p" || name == "pt" || name == "dde" ? name : std::string();
}

}  // namespace

bool IsToolMode(std::string_view arg)
{
    return arg == "--list" || arg == "--find" || arg == "--export" || arg == "--import" ||
           arg == "--merge" || arg == "--help" || arg == "-h" || arg == "--version";
}

CCommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments)
{
    CCommandLineInfo info;
    bool printTo = false;
    bool print = false;
    bool dde = false;
    std::vector<std::string> params;
    for (const std::string& arg : arguments) {
        const std::string sw = SwitchName(arg);
        if (sw == "p") {
            print = true;
        } else if (sw == "pt") {
            printTo = true;
        } else if (sw == "dde") {
            dde = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            // A lone "-" is a file of that name.
            info.m_strError = IsToolMode(arg) ? arg + " must be the first argument"
                                              : "unknown option \"" + arg + "\"";
            return info;
        } else {
            params.push_back(arg);
        }
    }
    // Parameters in order: the file, then (for /pt) printer, driver, port.
    if (params.size() > (printTo ? 4u : 1u)) {
        info.m_strError = "too many arguments";
        return info;
    }
    params.resize(4);
    info.m_strFileName = params[0];
    if (printTo) {
        info.m_strPrinterName = params[1];
        info.m_strDriverName = params[2];
        info.m_strPortName = params[3];
    }
    if (dde)
        info.m_nShellCommand = CCommandLineInfo::Shell::FileDDE;
    else if (printTo && !info.m_strFileName.empty())
        info.m_nShellCommand = CCommandLineInfo::Shell::FilePrintTo;
    else if (print && !info.m_strFileName.empty())
        info.m_nShellCommand = CCommandLineInfo::Shell::FilePrint;
    else if (!info.m_strFileName.empty())
        info.m_nShellCommand = CCommandLineInfo::Shell::FileOpen;
    return info;
}
