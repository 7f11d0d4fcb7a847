// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRect>

// Dialog templates give positions in dialog units: a quarter of the dialog
// font's average character width horizontally, an eighth of its height
// vertically. This converts them with the metrics of the font actually used.
class DialogUnits final {
public:
    explicit DialogUnits(const QFont& font);

    int x(int units) const { return (units * m_baseWidth + 2) / 4; }
    int y(int units) const { return (units * m_baseHeight + 4) / 8; }
    QRect rect(int left, int top, int width, int height) const
    {
        return QRect(x(left), y(top), x(width), y(height));
    }

    // The font that stands in for the 8-point dialog font of the templates.
    static QFont dialogFont();
    // The system's fixed-pitch font, at the size of the dialog font.
    static QFont fixedFont();

private:
    int m_baseWidth = 6;
    int m_baseHeight = 13;
};
