// SPDX-License-Identifier: MIT
#include "core/start/command_line.h"

#include <algorithm>
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

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        if (end > 0)
            words.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return words;
}

// "TEXT and FILE", for a message about a mode's operands.
std::string Listed(const std::vector<std::string_view>& names)
{
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += std::string(i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
    return text;
}

// Checks what came with a mode; the error, or empty.
std::string ModeError(const CommandMode& mode, const std::vector<std::string>& params, bool windowSwitch)
{
    const std::string name(mode.option);
    if (windowSwitch)
        return name + " does not go with /p, /pt or /dde";
    const std::vector<std::string_view> operands = mode.Operands();
    if (params.size() == operands.size())
        return {};
    if (operands.empty())
        return name + " takes no arguments";
    return name + " needs " + Listed(operands) + (params.size() > operands.size() ? ", nothing more" : "");
}

}  // namespace

std::vector<std::string_view> CommandMode::Operands() const
{
    std::vector<std::string_view> operands = Words(synopsis);
    std::erase_if(operands, [](std::string_view word) { return word.front() == '['; });
    return operands;
}

std::string_view CommandMode::Switch() const
{
    for (std::string_view word : Words(synopsis)) {
        if (word.size() > 4 && word.substr(0, 3) == "[--" && word.back() == ']')
            return word.substr(1, word.size() - 2);
    }
    return {};
}

CCommandLineInfo ParseCommandLine(const std::vector<std::string>& arguments,
                                  std::span<const CommandMode> modes)
{
    CCommandLineInfo info;
    bool printTo = false;
    bool print = false;
    bool dde = false;
    bool optionsEnded = false;
    std::string modeSwitch;  // a mode's own switch, as given
    std::vector<std::string> params;
    const auto fail = [&info](std::string error) {
        info.m_strError = std::move(error);
        info.m_pMode = nullptr;
        return info;
    };
    for (const std::string& arg : arguments) {
        // A lone "-" is a file of that name, and so is anything after "--".
        if (optionsEnded || arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) {
            params.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::string sw = SwitchName(arg);
        if (sw == "p") {
            print = true;
        } else if (sw == "pt") {
            printTo = true;
        } else if (sw == "dde") {
            dde = true;
        } else if (arg[0] == '/') {
            params.push_back(arg);
        } else if (const auto mode = std::find_if(modes.begin(), modes.end(), [&](const CommandMode& m) {
                       return arg == m.option || (!m.alias.empty() && arg == m.alias);
                   });
                   mode != modes.end()) {
            if (info.m_pMode != nullptr && info.m_pMode != &*mode)
                return fail(std::string(info.m_pMode->option) + " and " + arg + " do not go together");
            info.m_pMode = &*mode;
        } else if (std::any_of(modes.begin(), modes.end(), [&](const CommandMode& m) { return arg == m.Switch(); })) {
            modeSwitch = arg;
        } else {
            return fail("unknown option \"" + arg + "\"");
        }
    }
    if (!modeSwitch.empty() && (info.m_pMode == nullptr || info.m_pMode->Switch() != modeSwitch)) {
        for (const CommandMode& mode : modes)
            if (mode.Switch() == modeSwitch)
                return fail(modeSwitch + " goes only with " + std::string(mode.option));
    }
    if (info.m_pMode != nullptr) {
        if (std::string error = ModeError(*info.m_pMode, params, print || printTo || dde); !error.empty())
            return fail(std::move(error));
        info.m_operands = std::move(params);
        info.m_bSwitch = !modeSwitch.empty();
        return info;
    }
    // Parameters in order: the file, then (for /pt) printer, driver, port.
    if (params.size() > (printTo ? 4u : 1u))
        return fail("too many arguments");
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
