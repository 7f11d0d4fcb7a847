// SPDX-License-Identifier: MIT
#pragma once

#include <iosfwd>
#include <optional>

// The window needs a display. With none named at all (no DISPLAY, no
// WAYLAND_DISPLAY, and no QT_QPA_PLATFORM choosing one such as offscreen),
// says so in one line, points to the modes that need none, and returns the
// exit status 2; otherwise returns nothing.
std::optional<int> RefuseWindowWithoutDisplay(std::ostream& err);
