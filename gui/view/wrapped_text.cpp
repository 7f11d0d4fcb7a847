// SPDX-License-Identifier: MIT
#include "gui/view/wrapped_text.h"

#include <QPainter>

#include "gui/view/screen_font.h"

void DrawWrappedText(QPainter& painter, std::string_view text, std::size_t from, int left, int top, int right,
                     bool centred, const TextMetrics& metrics, int ascent, int visibleTop,
                     int visibleBottom)
{
    const int L = metrics.lineHeight;
    // Lines are wrapped only down to the bottom of the window, so a huge
    // text costs what its visible part and the text above it, from `from`,
    // cost.
    int lineTop = top;
    ForEachWrappedLineFrom(text, from, right - left, metrics, [&](const WrappedLine& line) {
        if (lineTop >= visibleBottom)
            return false;
        if (lineTop + L > visibleTop) {
            int x = left;
            if (centred)
                x += (right - left - LineWidth(text, line, metrics)) / 2;
            for (const TextRun& run : LineRuns(text, line, metrics))
                painter.drawText(x + run.x, lineTop + ascent, TextRunToQString(text, run));
        }
        lineTop += L;
        return true;
    });
}
