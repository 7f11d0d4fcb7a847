// SPDX-License-Identifier: MIT
#include "platform/current_folder.h"

#include <cstdlib>
#include <memory>

#include <unistd.h>

std::string CurrentFolder()
{
    const std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    if (!cwd)
        return {};
    return cwd.get();
}
