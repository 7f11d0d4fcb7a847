// SPDX-License-Identifier: MIT
#include "cli/cli_host.h"

#include <ctime>

CalendarDate CCliHost::Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CalendarDate{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}
