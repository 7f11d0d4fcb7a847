// SPDX-License-Identifier: MIT
#include "platform/free_descriptors.h"

#include <dirent.h>
#include <sys/resource.h>

long FreeDescriptors()
{
    constexpr long kUnknown = 1L << 20;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnknown;
    DIR* folder = opendir("/proc/self/fd");
    if (!folder)
        return kUnknown;
    long open = 0;
    while (const dirent* entry = readdir(folder))
        open += entry->d_name[0] != '.';
    closedir(folder);
    // The folder's own descriptor was counted, and is closed again.
    return static_cast<long>(limit.rlim_cur) - (open - 1);
}
