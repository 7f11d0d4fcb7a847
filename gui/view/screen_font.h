// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include <QFont>
#include <QString>

#include "core/layout/text_wrap.h"

class QFontMetrics;

// The fixed-pitch font both view modes draw with.
QFont ViewFont();

// A run of UTF-8 as a QString, without a copy of the whole text.
QString RunToQString(std::string_view utf8);
QString TextRunToQString(std::string_view text, const TextRun& run);

// The wrapping metrics of a font on the screen: pixel widths of runs, the
// line height (height plus external leading) and the average character
// width for tab stops, with the font's fixed pitch where it has one (fontKey
// names the font the metrics were made from). The metrics object must
// outlive the result.
TextMetrics ScreenMetrics(const QFontMetrics& metrics, const std::string& fontKey);

// Names the font and its size, so that cached layouts notice a change.
std::string FontKey(const QFont& font);
