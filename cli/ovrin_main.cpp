// SPDX-License-Identifier: MIT
// `ovrin`, the command users type. It runs the command-line modes without
// loading any window library, so they start at once, and hands every other
// command line unchanged to the window program.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "cli/cli_main.h"
#include "platform/program_paths.h"
#include "platform/replace_process.h"

int main(int argc, char* argv[])
{
    if (const std::optional<int> code = RunCommandLineTool(argc, argv)) return *code;
    const std::string window = WindowProgramPath(RunningProgramPath());
    ReplaceProcess(window, argv);
    std::fprintf(stderr, "ovrin: cannot start the window program %s: %s\n", window.c_str(),
                 std::strerror(errno));
    return 2;
}
