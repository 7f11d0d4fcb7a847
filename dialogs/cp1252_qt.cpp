// SPDX-License-Identifier: MIT
#include "dialogs/cp1252_qt.h"

#include "doc/cp1252.h"

QString ToQString(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        // Every Windows-1252 code point lies in the BMP.
        text.append(QChar(static_cast<char16_t>(Cp1252ToUnicode(static_cast<unsigned char>(c)))));
    }
    return text;
}

QString ToQStringWithPlainLineBreaks(std::string_view bytes)
{
    QString text = ToQString(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
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
