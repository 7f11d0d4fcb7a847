// SPDX-License-Identifier: MIT
#include "core/layout/description_layout.h"

#include <algorithm>

const std::string g_strWelcomeText =
    " Ovrin - a program to record and inquire ..\n"
    "     .. key words and corresponding description text.\n"
    " Please open Ovrin document or begin recording!\n"
    " For help see menu 'Help' or Toolbar '?'";
const std::string g_strFirstEntryStatus = "First entry";
const std::string g_strLastEntryStatus = "Last entry";

ViewColumns ColumnsFor(bool dinA4, int windowWidth)
{
    if (dinA4)
        return {1024, 980, 860};
    const int w = std::max(windowWidth, 615);
    return {w, w - 15, w - 125};
}

DescriptionLayout LayOutDescription(std::string_view keyWords, std::string_view description,
                                    const CWrapIndex& descriptionLines, int findPos, const ViewColumns& columns,
                                    const TextMetrics& metrics)
{
    const int L = metrics.lineHeight;
    DescriptionLayout out;
    out.keyWordsBottom = 2 * L + MeasureTextHeight(keyWords, columns.split - 5 - 15, metrics);
    out.frameBottom = out.keyWordsBottom + L;
    out.descriptionTop = out.frameBottom + 2 * L;
    out.contentHeight = out.descriptionTop + static_cast<int>(descriptionLines.LineCount()) * L + L;
    if (findPos >= 0) {
        // The marker goes to the last line of the text in front of the hit,
        // as that text wraps on its own.
        const std::size_t before = std::min<std::size_t>(static_cast<std::size_t>(findPos), description.size());
        out.hitTop = out.descriptionTop + static_cast<int>(descriptionLines.LinesOfPrefix(description, before, metrics)) * L - L;
    }
    return out;
}

std::optional<int> HitScrollTarget(int scrollPos, int windowHeight, int lineHeight, int hitTop,
                                   int contentHeight)
{
    std::optional<int> target;
    int y = hitTop;
    if (scrollPos + windowHeight - lineHeight < y) {
        y += windowHeight / 4;
        if (y + windowHeight > contentHeight)
            y = contentHeight - windowHeight;
        target = y;
    }
    if (scrollPos + lineHeight > y) {
        y -= 3 * (windowHeight / 4);
        target = y;
    }
    return target;
}

std::string PositionText(int current, int count)
{
    if (count <= 0)
        return {};
    if (current == 0)
        return g_strFirstEntryStatus;
    if (count - current == 1)
        return g_strLastEntryStatus;
    return "Entry number " + std::to_string(current + 1) + " of " + std::to_string(count);
}
