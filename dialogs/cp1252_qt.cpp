// SPDX-License-Identifier: MIT
#include "dialogs/cp1252_qt.h"

#include "doc/cp1252.h"

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

} // namespace

QString ToQString(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    Widen(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), reinterpret_cast<char16_t*>(text.data()));
    return text;
}

// One pass: replacing the breaks in place moves the rest of the text at
// each of them, which takes minutes on millions of lines.
QString ToQStringWithPlainLineBreaks(std::string_view bytes)
{
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(text.data());
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
