// SPDX-License-Identifier: MIT
#include "platform/replace_process.h"

#include <unistd.h>

void ReplaceProcess(const std::string& program, char* argv[]) { ::execv(program.c_str(), argv); }
