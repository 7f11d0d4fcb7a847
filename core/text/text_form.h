// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/utf16_utf8.h"

// Every text inside the program is UTF-8, in every layer (Qt's QString
// appears only at the widget edge). The one thing UTF-8 cannot carry is a
// lone surrogate, which only a text the file held in its UTF-16 form can
// hold: it is kept as the three bytes UTF-8 would give its value, so that
// the file gets back exactly the code units it held.
//
// Which form the file held a text in (its 8-bit Windows-1252 form or its
// UTF-16 form) is not part of the text: the entry arrays keep it beside
// each text (CStringArray), so a document is written back byte for byte.

// Whether `text` is of the form above. Texts kept outside the document (a
// recovery record) may have been damaged or crafted, and every reader of
// characters relies on it.
bool IsOfTextForm(std::string_view text);

// Texts that come from outside:
// the file's 8-bit form;
std::string TextFromCp1252(std::string_view bytes);
// the same written at `to`, which needs room for Cp1252TextRoom(bytes.size())
// bytes; returns the end of the text;
inline std::size_t Cp1252TextRoom(std::size_t bytes) { return 3 * bytes + 8; }
char* WriteTextFromCp1252(std::string_view bytes, char* to);
// UTF-16 from the file or typed into a field, lone surrogates kept;
std::string TextFromUtf16(std::u16string_view units);
// the same from the file's little-endian bytes, into `into` (its storage
// reused);
void AssignTextFromFileUtf16Le(std::string& into, std::string_view bytes);
// or written at `to`, which needs room for Utf16TextRoom(bytes.size() / 2)
// bytes; returns the end of the text;
inline std::size_t Utf16TextRoom(std::size_t units) { return Utf16ToUtf8Room(units); }
inline char* WriteTextFromFileUtf16Le(std::string_view bytes, char* to)
{
    return WriteUtf16LeAsUtf8(bytes.data(), bytes.size() / 2, to, LoneSurrogates::Keep);
}
// UTF-8 from a terminal or a text file; std::nullopt when `utf8` is not
// UTF-8, with the offset of the first bad byte in *badOffset (if given).
std::optional<std::string> TextFromUtf8(std::string_view utf8, std::size_t* badOffset = nullptr);
// Whether `utf8` is UTF-8 that TextFromUtf8 takes.
bool IsUtf8(std::string_view utf8);

// The UTF-16 code units of any text: exact, for the widgets and the file's
// UTF-16 form.
std::u16string Utf16Of(std::string_view text);
// UTF-8 for the terminal and text files; a lone surrogate becomes U+FFFD.
std::string Utf8Of(std::string_view text);
// Whether every character of `text` has a Windows-1252 byte.
bool FitsCp1252(std::string_view text);
// The Windows-1252 bytes of a text that fits (FitsCp1252).
std::string Cp1252Of(std::string_view text);
// Whether `text` holds a lone surrogate, which UTF-8 cannot carry.
bool HasLoneSurrogate(std::string_view text);
// Whether `text` holds only ASCII characters: then its bytes are its
// characters, one each.
bool IsAscii(std::string_view text);

// Reads the characters of a text one at a time (a lone surrogate as its
// own value; a byte that begins no character as U+FFFD).
class TextCharacters final {
public:
    explicit TextCharacters(std::string_view text) : m_at(text.data()), m_end(text.data() + text.size()) {}
    // From byte `from` of `text` on, a character's first byte.
    TextCharacters(std::string_view text, std::size_t from)
        : m_at(text.data() + std::min(from, text.size())), m_end(text.data() + text.size())
    {
    }
    bool AtEnd() const { return m_at == m_end; }
    char32_t Next();
    // Where the next character begins.
    const char* At() const { return m_at; }

private:
    const char* m_at;
    const char* m_end;
};

// Where a character stands in the key order: a Windows-1252 character at its
// byte value, every other character after all of them, by code point.
std::uint32_t KeyOrderValue(char32_t codePoint);

// The key order of two texts (-1, 0 or 1), character by character, the
// first difference deciding; a text that is a prefix of the other comes
// first. Windows-1252 documents keep the order of their bytes exactly.
int CompareTexts(std::string_view a, std::string_view b);
