// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Runs program in this process in place of the running one, with argv
// (argv[0] first, ending with a null pointer). Returns only when program
// could not be started, with errno saying why.
void ReplaceProcess(const std::string& program, char* argv[]);
