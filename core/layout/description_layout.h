// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/layout/text_wrap.h"
#include "core/layout/wrap_index.h"

class COvrinDoc;

// The horizontal measures of the view: the layout width W, the right edge R
// of every frame and text, and the split S between the key-word frame and
// the date frame. DIN A4 is fixed; the variable format follows the window
// but is never narrower than 615 pixels.
struct ViewColumns final {
    int width = 0;
    int right = 0;
    int split = 0;
};
ViewColumns ColumnsFor(bool dinA4, int windowWidth);

// Where the parts of the current entry go, in document coordinates (y down)
// for line height L: the key words at (15, 2L) to (split - 5), both frames
// from L to keyFrameBottom, the description from descriptionTop.
struct DescriptionLayout final {
    int keyWordsBottom = 0;   // bottom of the wrapped key words
    int frameBottom = 0;      // B: bottom of both frames
    int descriptionTop = 0;   // top of the description
    int contentHeight = 0;    // H: bottom of the description plus one line
    std::optional<int> hitTop;  // top of the line on which the find hit starts
};
// descriptionLines: the index of the description's lines between x = 15
// and the right edge, brought up to date by the caller.
DescriptionLayout LayOutDescription(std::string_view keyWords, std::string_view description,
                                    const CWrapIndex& descriptionLines, int findPos, const ViewColumns& columns,
                                    const TextMetrics& metrics);

// The two scroll rules for a hit line at hitTop: below the window it is
// brought to a quarter window further (clamped to the content), above the
// window to three quarters of a window above it. nullopt: no scroll.
std::optional<int> HitScrollTarget(int scrollPos, int windowHeight, int lineHeight, int hitTop,
                                   int contentHeight);

// "First entry", "Last entry" or "Entry number 3 of 7"; empty without entries.
std::string PositionText(int current, int count);

extern const std::string g_strWelcomeText;
extern const std::string g_strFirstEntryStatus;
extern const std::string g_strLastEntryStatus;
