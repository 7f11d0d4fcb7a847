// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

// The state of the three lock keys as the keyboard's LEDs show it.
struct LockState final {
    bool capsLock = false;
    bool numLock = false;
    bool scrollLock = false;
};

// Asks the X server through the xkb extension; empty where there is no X
// display (offscreen, Wayland without XWayland, no libX11), in which case
// the status bar leaves the indicators blank.
std::optional<LockState> ReadLockState();
