// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include <QString>

// The window placement as the profile stores it: the restored rectangle as
// left, top, right, bottom, and the show state derived from the "icon" and
// "max" flags.
struct PlacementRect final {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PlacementRect&, const PlacementRect&) = default;
};

// Used when the profile holds no rectangle: 490 x 390 pixels at (10, 10).
inline constexpr PlacementRect kDefaultPlacement{10, 10, 500, 400};

// The rectangle a window is restored to, brought onto the screens of the
// moment (given by their available areas, the primary one first): a
// rectangle kept under another scale or monitor layout would come back
// partly or wholly out of reach. It goes to the screen that holds most of
// it, or to the primary one when none holds any, shrunk to that screen's
// area where it is larger and moved inside it. A rectangle with no area
// (a damaged profile) is replaced by the default one first.
PlacementRect FitOnScreens(const PlacementRect& rect, const std::vector<PlacementRect>& screens);

// "%04d %04d %04d %04d": each number zero-padded to four characters, a minus
// sign counting as one of them (-4 is "-004").
QString FormatPlacementRect(const PlacementRect& rect);

// Reads the four numbers back. The writer's fields start at the character
// positions 0, 5, 10 and 15, each read the way atoi reads (a field past the
// end of the text is 0). A number that needed more than four characters
// shifts the fields behind it, so a text of exactly four blank-separated
// integers is read by fields instead of positions.
PlacementRect ParsePlacementRect(const QString& text);

// The show command and placement flags chosen from the stored flags.
enum class ShowCommand { Normal = 1, Maximized = 3, MinimizedNoActivate = 7 };
inline constexpr int kSetMinPosition = 1;       // placement flag
inline constexpr int kRestoreToMaximized = 2;  // placement flag

struct ShowState final {
    ShowCommand show = ShowCommand::Normal;
    int flags = kSetMinPosition;
};

ShowState ShowStateFromFlags(int icon, int max);

// The flags written at destruction: icon when minimized; max when
// maximized, or minimized while it would restore to maximized.
struct PlacementFlags final {
    int icon = 0;
    int max = 0;
};

PlacementFlags FlagsFromWindowState(bool minimized, bool maximized, bool restoresToMaximized);
