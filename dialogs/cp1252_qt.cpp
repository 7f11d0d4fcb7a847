// SPDX-License-Identifier: MIT
#include "dialogs/cp1252_qt.h"

#include "doc/cp1252.h"

#include <array>

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

} // namespace

QString ToQString(std::string_view bytes)
{
    const auto& table = Cp1252Table();
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(text.data());
    for (const char c : bytes)
        *to++ = table[static_cast<unsigned char>(c)];
    return text;
}

// One pass: replacing the breaks in place moves the rest of the text at
// each of them, which takes minutes on millions of lines.
QString ToQStringWithPlainLineBreaks(std::string_view bytes)
{
    const auto& table = Cp1252Table();
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
    char16_t* to = begin;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r') {
            *to++ = u'\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            *to++ = table[byte];
        }
    }
    text.truncate(to - begin);
    return text;
}

std::optional<std::string> ToCp1252(const QString& text, QChar* firstBad,
                                    char32_t* firstBadCodePoint)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        char32_t cp = ch.unicode();
        // A pair of surrogates is one character; a lone surrogate is its own
        // (unrepresentable) value.
        if (ch.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(ch, text.at(i + 1));
        }
        const int byte = UnicodeToCp1252(cp);
        if (byte < 0) {
            if (firstBad)
                *firstBad = ch;
            if (firstBadCodePoint)
                *firstBadCodePoint = cp;
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(static_cast<unsigned char>(byte)));
    }
    return bytes;
}
