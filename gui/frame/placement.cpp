// SPDX-License-Identifier: MIT
#include "gui/frame/placement.h"

#include <algorithm>

#include <QStringList>

namespace {

QString Field(int value)
{
    // %04d: the sign takes one of the four places.
    if (value < 0)
        return QLatin1Char('-') + QString::number(-static_cast<long long>(value)).rightJustified(3, QLatin1Char('0'));
    return QString::number(value).rightJustified(4, QLatin1Char('0'));
}

// atoi on the text from position pos: blanks skipped, an optional sign,
// digits up to the first non-digit; nothing readable gives 0.
int AtoiAt(const QString& text, int pos)
{
    const int n = static_cast<int>(text.size());
    int i = pos;
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > 0x7fffffffLL)  // keep a corrupt value from overflowing
            value = 0x7fffffffLL;
        ++i;
    }
    return static_cast<int>(negative ? -value : value);
}

long long Overlap(const PlacementRect& a, const PlacementRect& b)
{
    const long long w = static_cast<long long>(std::min(a.right, b.right)) - std::max(a.left, b.left);
    const long long h = static_cast<long long>(std::min(a.bottom, b.bottom)) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

// One axis: the extent [low, high) shrunk to [areaLow, areaHigh) and moved
// into it; where both ends cannot fit, the start (the title bar, the left
// edge) wins.
void FitAxis(int& low, int& high, int areaLow, int areaHigh)
{
    const long long size = std::min<long long>(static_cast<long long>(high) - low,
                                               static_cast<long long>(areaHigh) - areaLow);
    long long start = low;
    if (start + size > areaHigh)
        start = areaHigh - size;
    if (start < areaLow)
        start = areaLow;
    low = static_cast<int>(start);
    high = static_cast<int>(start + size);
}

}  // namespace

PlacementRect FitOnScreens(const PlacementRect& rect, const std::vector<PlacementRect>& screens)
{
    PlacementRect r = rect;
    if (r.right <= r.left || r.bottom <= r.top)
        r = kDefaultPlacement;
    if (screens.empty())
        return r;
    std::size_t best = 0;
    long long bestOverlap = 0;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const long long overlap = Overlap(r, screens[i]);
        if (overlap > bestOverlap) {
            best = i;
            bestOverlap = overlap;
        }
    }
    const PlacementRect& area = screens[best];
    FitAxis(r.left, r.right, area.left, area.right);
    FitAxis(r.top, r.bottom, area.top, area.bottom);
    return r;
}

QString FormatPlacementRect(const PlacementRect& r)
{
    return Field(r.left) + QLatin1Char(' ') + Field(r.top) + QLatin1Char(' ') + Field(r.right) +
           QLatin1Char(' ') + Field(r.bottom);
}

PlacementRect ParsePlacementRect(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() == 4) {
        int values[4];
        bool all = true;
        for (int i = 0; i < 4 && all; ++i)
            values[i] = parts[i].toInt(&all);
        if (all)
            return {values[0], values[1], values[2], values[3]};
    }
    return {AtoiAt(text, 0), AtoiAt(text, 5), AtoiAt(text, 10), AtoiAt(text, 15)};
}

ShowState ShowStateFromFlags(int icon, int max)
{
    if (icon != 0)
        return {ShowCommand::MinimizedNoActivate, max != 0 ? kRestoreToMaximized : kSetMinPosition};
    if (max != 0)
        return {ShowCommand::Maximized, kRestoreToMaximized};
    return {ShowCommand::Normal, kSetMinPosition};
}

PlacementFlags FlagsFromWindowState(bool minimized, bool maximized, bool restoresToMaximized)
{
    if (minimized)
        return {1, (maximized || restoresToMaximized) ? 1 : 0};
    if (maximized)
        return {0, 1};
    return {0, 0};
}
