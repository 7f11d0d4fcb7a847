// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "gui/dialogs/long_text_field.h"

#include <string>
#include <string_view>

// The document keeps its texts as UTF-8 (core/text/text_form.h); widgets
// show QString. These are the only crossings between them, and both ways are
// exact: a text shown and taken back unchanged gives its own bytes again.

// The characters of a text, in any script.
QString ToQString(std::string_view text);

// The same, with every stored line break (CR LF, a lone CR or LF) as one
// "\n", the way text widgets and screen readers take line breaks.
QString ToQStringWithPlainLineBreaks(std::string_view text);

// A text as a field with these lines shows it (a multi-line field as
// ToQStringWithPlainLineBreaks gives it), with the starts of its lines found
// while converting.
LongTextField::Shaped ToShownText(std::string_view text, LongTextField::Lines lines);

// The document's form of typed or pasted text. Any text can be stored.
std::string TextFromQString(const QString& text);
