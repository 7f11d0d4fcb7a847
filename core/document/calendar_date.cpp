// SPDX-License-Identifier: MIT
#include "core/document/calendar_date.h"

#include <cstdio>

std::string FormatEntryDate(const CalendarDate& date)
{
    char text[48];
    std::snprintf(text, sizeof text, "%d.%d.%4d", date.day, date.month, date.year);
    return text;
}
