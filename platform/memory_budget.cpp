// SPDX-License-Identifier: MIT
#include "platform/memory_budget.h"

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

std::uint64_t MemoryBudget()
{
    std::uint64_t budget = UINT64_MAX;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        budget = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit {};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            budget = std::min<std::uint64_t>(budget, limit.rlim_cur);
    }
    return budget;
}
