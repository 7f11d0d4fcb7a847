// SPDX-License-Identifier: MIT
#include "core/start/display_check.h"

#include <cstdlib>
#include <ostream>

namespace {

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::optional<int> RefuseWindowWithoutDisplay(std::ostream& err)
{
    if (IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM")) return std::nullopt;
    err << "ovrin: no display found (DISPLAY and WAYLAND_DISPLAY are not set), so the window cannot "
           "open; the command-line modes need none: ovrin --help\n";
    return 2;
}
