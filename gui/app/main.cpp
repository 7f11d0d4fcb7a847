// SPDX-License-Identifier: MIT
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <QApplication>

#include "core/start/command_line.h"
#include "core/start/display_check.h"
#include "platform/file_size_limit.h"
#include "platform/program_paths.h"
#include "platform/replace_process.h"
#include "gui/app/ovrin_app.h"

namespace {

// Runs the front end `ovrin` in this process with the same arguments; it
// answers them exactly as it would have when typed. Returns the exit status
// when it cannot be started.
int HandToTheFrontEnd(char* argv[])
{
    const std::string self = RunningProgramPath();
    const std::string frontEnd = FrontEndPath(self);
    if (!frontEnd.empty() && frontEnd != self) {
        ReplaceProcess(frontEnd, argv);
        std::cerr << "ovrin: cannot start " << frontEnd << ": " << std::strerror(errno) << "\n";
    } else {
        std::cerr << "ovrin: these arguments are for the ovrin command, which is not installed "
                     "beside this program\n";
    }
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    // The window program, started by `ovrin` (cli/ovrin_main.cpp). Run by
    // itself it hands what is not a window's start back to `ovrin`: any
    // argument the window cannot follow, a command-line mode (--list...)
    // among them. The front end runs the mode, or refuses the list with its
    // usage text before any display is needed, so that a mistyped option
    // never opens a window on a file of that name.
    const CCommandLineInfo start = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!start.m_strError.empty()) return HandToTheFrontEnd(argv);
    // Without any display Qt would abort with a page of plug-in details.
    if (const std::optional<int> code = RefuseWindowWithoutDisplay(std::cerr))
        return *code;

    // A file size limit (ulimit -f) makes a write of the recovery record or
    // of a save fail like a full disk, reported as such, instead of ending
    // the program and the edit in progress without a word.
    FailWritesBeyondFileSizeLimit();
    QApplication app(argc, argv);
    COvrinApp theApp;
    // File names are kept as bytes, since they need not be valid UTF-8.
    if (!theApp.InitInstance(start))
        return theApp.ExitCode();
    return QApplication::exec();
}
