// SPDX-License-Identifier: MIT
#pragma once

// The command-line tools run in process, as `ovrin ARGS` would run them.

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"

struct ToolRun {
    std::optional<int> code;
    std::string out, err;
};

inline ToolRun RunTool(std::vector<std::string> args)
{
    args.insert(args.begin(), "ovrin");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    ToolRun run;
    run.code = RunCommandLineTool(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}
