// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// A local calendar day, as the clock of the host reports it.
struct CalendarDate final {
    int day = 1;    // 1 to 31
    int month = 1;  // 1 to 12
    int year = 1970;
};

// The entry date rule: day and month without leading zeros, the year
// right-aligned in at least four characters ("5.3.1998", "24.12.2026").
std::string FormatEntryDate(const CalendarDate& date);
