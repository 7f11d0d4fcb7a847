// SPDX-License-Identifier: MIT
#pragma once

#include <QChar>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The document keeps Windows-1252 bytes; widgets show QString. These are the
// only two crossings between them.

// Every byte maps to a character, so this cannot fail.
QString ToQString(std::string_view bytes);

// The same, with every stored line break (CR LF, a lone CR or LF) as one
// "\n", the way text widgets and screen readers take line breaks.
QString ToQStringWithPlainLineBreaks(std::string_view bytes);

// The Windows-1252 bytes of a text, or std::nullopt when a character has no
// byte in the code page. Then *firstBad (if given) receives the first such
// character (for a character outside the BMP: its high surrogate) and
// *firstBadCodePoint (if given) its full code point, so a message can name it.
std::optional<std::string> ToCp1252(const QString& text, QChar* firstBad,
                                    char32_t* firstBadCodePoint = nullptr);
