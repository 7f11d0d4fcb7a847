// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "core/text/utf16_utf8.h"

// The document's one form of text, in every layer, is a byte string:
//
// - A text of Windows-1252 characters is its Windows-1252 bytes, exactly as
//   the file's 8-bit form holds them. Nearly every text is one of these, and
//   they keep their bytes, their order and the fast paths built on bytes.
// - A wide text (one with a character Windows-1252 lacks, or one the file
//   held in its UTF-16 form) is the four bytes FF FE FF 01, then its UTF-16
//   code units written as UTF-8, a lone surrogate as the three bytes UTF-8
//   would give its value, so that any sequence of code units comes back
//   exactly.
// - A Windows-1252 text whose own bytes begin with FF FE FF ("ÿþÿ") is kept
//   behind the four bytes FF FE FF 00, so it is never taken for a wide one.
//
// Only code that reads characters (key order, Find, drawing, the file's and
// the terminal's forms) looks at the mark; the rest moves bytes.

inline constexpr std::string_view kTextMark{"\xFF\xFE\xFF", 3};
inline constexpr std::string_view kWideTextMark{"\xFF\xFE\xFF\x01", 4};
inline constexpr std::string_view kEscapedTextMark{"\xFF\xFE\xFF\x00", 4};

// Whether `text` begins with either mark: the one test a fast path over
// Windows-1252 bytes makes before it trusts them.
inline bool HasTextMark(std::string_view text) { return text.starts_with(kTextMark); }
inline bool IsWideText(std::string_view text) { return text.starts_with(kWideTextMark); }

// The Windows-1252 bytes of a text that is not wide (without the mark of an
// escaped one).
std::string_view Cp1252BytesOf(std::string_view text);
// The UTF-8 after a wide text's mark (lone surrogates as described above).
std::string_view WideUtf8Of(std::string_view text);

// Whether `text` is of the form above. Texts kept in this form outside the
// document (a recovery record) may have been damaged or crafted, and every
// reader of characters relies on it.
bool IsOfTextForm(std::string_view text);

// Texts that come from outside:
// the file's 8-bit form (adds the escape mark where it is needed);
std::string TextFromCp1252(std::string_view bytes);
// the file's UTF-16 form: always wide, so the text is written back as it came;
std::string TextFromFileUtf16(std::u16string_view units);
// the same from the file's little-endian bytes, into `into` (its storage
// reused);
void AssignTextFromFileUtf16Le(std::string& into, std::string_view bytes);
// or written at `to`, which needs room for WideTextRoom(bytes.size() / 2)
// bytes; returns the end of the text;
inline std::size_t WideTextRoom(std::size_t units) { return kWideTextMark.size() + Utf16ToUtf8Room(units); }
inline char* WriteTextFromFileUtf16Le(std::string_view bytes, char* to)
{
    std::memcpy(to, kWideTextMark.data(), kWideTextMark.size());
    return WriteUtf16LeAsUtf8(bytes.data(), bytes.size() / 2, to + kWideTextMark.size(), LoneSurrogates::Keep);
}
// typed or pasted text: Windows-1252 bytes when every character has one,
// else wide;
std::string TextFromUtf16(std::u16string_view units);
// UTF-8 from a terminal or a text file, chosen the same way; std::nullopt
// when `utf8` is not UTF-8, with the offset of the first bad byte in
// *badOffset (if given).
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
// Whether `text` holds a lone surrogate, which UTF-8 cannot carry.
bool HasLoneSurrogate(std::string_view text);

// Reads the characters of a text one at a time: the code point of each
// Windows-1252 byte, or of each character of a wide text (a lone surrogate
// as its own value).
class TextCharacters final {
public:
    explicit TextCharacters(std::string_view text);
    // From byte `from` of `text` on, a character's first byte (a byte
    // inside the mark stands for the first character).
    TextCharacters(std::string_view text, std::size_t from);
    bool AtEnd() const { return m_at == m_end; }
    char32_t Next();
    bool IsWide() const { return m_wide; }

private:
    const char* m_at;
    const char* m_end;
    bool m_wide;
};

// Where a character stands in the key order: a Windows-1252 character at its
// byte value, every other character after all of them, by code point.
std::uint32_t KeyOrderValue(char32_t codePoint);

// The key order of two texts (-1, 0 or 1), character by character, the first difference
// deciding; a text that is a prefix of the other comes first. Texts without
// a mark compare as unsigned bytes, so Windows-1252 documents keep their
// order exactly.
int CompareTexts(std::string_view a, std::string_view b);
