// SPDX-License-Identifier: MIT
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>

#include "app/logic/command_line.h"
#include "app/logic/display_check.h"
#include "app/logic/program_paths.h"
#include "app/ovrin_app.h"

namespace {

// Runs the front end `ovrin` in this process with the same arguments; it
// answers them exactly as it would have when typed. Returns the exit status
// when it cannot be started.
int HandToTheFrontEnd(char* argv[])
{
    const std::string self = RunningProgramPath();
    const std::string frontEnd = FrontEndPath(self);
    if (!frontEnd.empty() && frontEnd != self) {
        ::execv(frontEnd.c_str(), argv);
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

    QApplication app(argc, argv);
    COvrinApp theApp;
    // File names are kept as bytes, since they need not be valid UTF-8.
    if (!theApp.InitInstance(start))
        return theApp.ExitCode();
    return QApplication::exec();
}
