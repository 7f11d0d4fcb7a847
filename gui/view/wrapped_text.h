// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

#include "core/layout/text_wrap.h"

class QPainter;

// Draws a text (in the document's form, any script) wrapped between left and right from top down (y
// grows downward in the painter's units), each line centred when asked: the
// lines from the one that begins at byte `from` on, that one at top. Lines
// wholly outside [visibleTop, visibleBottom) are skipped.
void DrawWrappedText(QPainter& painter, std::string_view text, std::size_t from, int left, int top, int right,
                     bool centred, const TextMetrics& metrics, int ascent, int visibleTop,
                     int visibleBottom);
