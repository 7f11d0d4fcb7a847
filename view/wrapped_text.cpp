// SPDX-License-Identifier: MIT
#include "view/wrapped_text.h"

#include <QPainter>

#include "view/screen_font.h"

void DrawWrappedText(QPainter& painter, std::string_view text, int left, int top, int right,
                     bool centred, const TextMetrics& metrics, int ascent, int visibleTop,
                     int visibleBottom)
{
    const int L = metrics.lineHeight;
    const std::vector<WrappedLine> lines = WrapText(text, right - left, metrics);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const int lineTop = top + static_cast<int>(n) * L;
        if (lineTop + L <= visibleTop)
            continue;
        if (lineTop >= visibleBottom)
            break;
        int x = left;
        if (centred)
            x += (right - left - LineWidth(text, lines[n], metrics)) / 2;
        for (const TextRun& run : LineRuns(text, lines[n], metrics))
            painter.drawText(x + run.x, lineTop + ascent, RunToQString(text.substr(run.begin, run.length)));
    }
}
