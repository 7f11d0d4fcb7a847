// SPDX-License-Identifier: MIT
#include "platform/path_exists.h"

#include <sys/stat.h>

bool PathExists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}
