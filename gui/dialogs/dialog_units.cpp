// SPDX-License-Identifier: MIT
#include "gui/dialogs/dialog_units.h"

#include <algorithm>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>

DialogUnits::DialogUnits(const QFont& font)
{
    // The base width is the average width of the Latin letters, rounded, the
    // way dialog units have always been defined.
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseWidth = std::max(1, (metrics.horizontalAdvance(letters) / 26 + 1) / 2);
    m_baseHeight = std::max(1, metrics.height());
}

QFont DialogUnits::dialogFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(8);
    return font;
}

QFont DialogUnits::fixedFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    return font;
}
