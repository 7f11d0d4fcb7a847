// SPDX-License-Identifier: MIT
#include "dialogs/text_qt.h"

#include "doc/cp1252.h"
#include "doc/text_form.h"

#include <array>
#include <cstring>

namespace {

// Every Windows-1252 code point lies in the BMP.
const std::array<char16_t, 256>& Cp1252Table()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(b)));
        return t;
    }();
    return table;
}

// Widens a stretch with no line break: first as if every byte were Latin-1,
// in a loop the compiler turns into vector instructions, then mends the few
// bytes 0x80 to 0x9F, where Windows-1252 differs.
char16_t* Widen(const unsigned char* from, std::size_t count, char16_t* to)
{
    bool differs = false;
    for (std::size_t i = 0; i < count; ++i) {
        to[i] = from[i];
        differs |= (from[i] & 0xE0) == 0x80;
    }
    if (differs) {
        const auto& table = Cp1252Table();
        for (std::size_t i = 0; i < count; ++i)
            to[i] = table[from[i]];
    }
    return to + count;
}

// The UTF-16 of a wide text: its units are exact, lone surrogates included.
QString WideToQString(std::string_view text)
{
    const std::u16string units = Utf16Of(text);
    return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
}

} // namespace

QString ToQString(std::string_view text)
{
    if (IsWideText(text))
        return WideToQString(text);
    const std::string_view bytes = Cp1252BytesOf(text);
    QString shown(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    Widen(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), reinterpret_cast<char16_t*>(shown.data()));
    return shown;
}

// One pass: replacing the breaks in place moves the rest of the text at
// each of them, which takes minutes on millions of lines.
QString ToQStringWithPlainLineBreaks(std::string_view text)
{
    if (IsWideText(text)) {
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
    const std::string_view bytes = Cp1252BytesOf(text);
    QString shown(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(shown.data());
    char16_t* to = begin;
    const auto* from = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = from + bytes.size();
    while (from < end) {
        const auto* cr = static_cast<const unsigned char*>(std::memchr(from, '\r', static_cast<std::size_t>(end - from)));
        const auto* stop = cr ? cr : end;
        to = Widen(from, static_cast<std::size_t>(stop - from), to);
        if (!cr)
            break;
        *to++ = u'\n';
        from = cr + 1 < end && cr[1] == '\n' ? cr + 2 : cr + 1;
    }
    shown.truncate(to - begin);
    return shown;
}

std::string TextFromQString(const QString& text)
{
    return TextFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}
