// SPDX-License-Identifier: MIT
#include "gui/view/screen_font.h"

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <string>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>

#include "core/text/cp1252.h"
#include "core/text/text_form.h"

QFont ViewFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QString RunToQString(std::string_view bytes)
{
    // Every Windows-1252 byte maps to one character of the basic plane.
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(b))));
        return t;
    }();
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (char c : bytes)
        *out++ = table[static_cast<unsigned char>(c)];
    return text;
}

QString TextRunToQString(std::string_view text, const TextRun& run)
{
    const std::string_view bytes = text.substr(run.begin, run.length);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

TextMetrics ScreenMetrics(const QFontMetrics& metrics, const std::string& fontKey)
{
    TextMetrics m;
    m.width = [&metrics](std::string_view run) { return metrics.horizontalAdvance(RunToQString(run)); };
    // Characters the font lacks are measured in the font that draws them.
    m.wideWidth = [&metrics](std::string_view run) {
        return metrics.horizontalAdvance(QString::fromUtf8(run.data(), static_cast<qsizetype>(run.size())));
    };
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
            const qreal width = unrounded.horizontalAdvance(QString::fromUtf8(run.data(), static_cast<qsizetype>(run.size())));
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
