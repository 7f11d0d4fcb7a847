// SPDX-License-Identifier: MIT
#include "gui/dialogs/text_qt.h"

#include "core/text/text_form.h"

#include <type_traits>

// The field keeps its line starts in the plain layer's type.
static_assert(std::is_same_v<qsizetype, long long>);

namespace {

// The UTF-16 of a text: its units are exact, lone surrogates included
// (which Qt's own conversion, fast for the rest, would replace).
QString WideToQString(std::string_view text)
{
    if (!HasLoneSurrogate(text))
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const std::u16string units = Utf16Of(text);
    return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
}

} // namespace

QString ToQString(std::string_view text) { return WideToQString(text); }

// One pass: replacing the breaks in place moves the rest of the text at
// each of them, which takes minutes on millions of lines.
QString ToQStringWithPlainLineBreaks(std::string_view text)
{
    QString wide = WideToQString(text);
    QChar* const begin = wide.data();
    QChar* to = begin;
    for (const QChar* from = begin; from != begin + wide.size(); ++from) {
        if (*from == u'\r') {
            *to++ = u'\n';
            if (from + 1 != begin + wide.size() && from[1] == u'\n')
                ++from;
        } else {
            *to++ = *from;
        }
    }
    wide.truncate(to - begin);
    return wide;
}

LongTextField::Shaped ToShownText(std::string_view text, LongTextField::Lines lines)
{
    return LongTextField::shape(lines == LongTextField::Lines::Many ? ToQStringWithPlainLineBreaks(text)
                                                                     : ToQString(text),
                                lines);
}

std::string TextFromQString(const QString& text)
{
    return TextFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}
