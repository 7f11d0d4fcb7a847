// SPDX-License-Identifier: MIT
// The command-line tools alone, without the windowed program around them,
// for timing them as whole processes.
#include <cstdio>

#include "cli/cli_main.h"

int main(int argc, char** argv)
{
    if (std::optional<int> code = RunCommandLineTool(argc, argv)) return *code;
    std::fprintf(stderr, "usage: ovrin-cli --list|--find|--export ...\n");
    return 2;
}
