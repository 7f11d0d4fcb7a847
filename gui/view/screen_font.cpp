// SPDX-License-Identifier: MIT
#include "gui/view/screen_font.h"

#include <cmath>
#include <map>
#include <memory>
#include <string>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>

#include "core/text/text_form.h"

QFont ViewFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QString RunToQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString TextRunToQString(std::string_view text, const TextRun& run)
{
    return RunToQString(text.substr(run.begin, run.length));
}

TextMetrics ScreenMetrics(const QFontMetrics& metrics, const std::string& fontKey)
{
    TextMetrics m;
    // Characters the font lacks are measured in the font that draws them.
    m.width = [&metrics](std::string_view run) { return metrics.horizontalAdvance(RunToQString(run)); };
    m.lineHeight = metrics.lineSpacing();
    m.avgCharWidth = metrics.averageCharWidth();
    // Finding the pitch measures a few hundred runs; a font keeps its pitch,
    // so that is done once per font and resolution (the width of 64 zeros
    // joins the key), not at every paint.
    static std::map<std::string, FixedPitch> pitches;
    const std::string key = fontKey + '/' + std::to_string(m.width(std::string(64, '0')));
    auto it = pitches.find(key);
    if (it == pitches.end())
        it = pitches.emplace(key, DetectFixedPitch(m.width)).first;
    m.fixedPitch = it->second;
    // The advances of other scripts' characters are learnt once per font.
    static std::map<std::string, std::shared_ptr<CharacterAdvances>> advances;
    std::shared_ptr<CharacterAdvances>& learnt = advances[key];
    if (!learnt) {
        // The same widths before rounding, in 1/64 units: one character
        // alone then gives its advance.
        const QFontMetricsF unrounded(metrics);
        learnt = std::make_shared<CharacterAdvances>([unrounded](std::string_view run) {
            const qreal width = unrounded.horizontalAdvance(RunToQString(run));
            return static_cast<int>(std::lround(width * 64));
        });
    }
    m.advances = learnt;
    return m;
}

std::string FontKey(const QFont& font)
{
    return font.key().toStdString();
}
