// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "doc/text_form.h"

// How Find compares characters, case ignored: a Windows-1252 character
// folds as FoldCp1252 folds its byte, every other character by Unicode's
// simple case folding (so Ł finds ł, and Σ, σ and ς find each other).
char32_t FoldForFind(char32_t c);

// The part of a search that reads characters: texts with a mark (wide or
// escaped ones, doc/text_form.h), and every text when the needle holds a
// character that no Windows-1252 text can match. Plain Windows-1252 texts
// are left to the byte search of CFoldedNeedle, which this gives the needle
// as Windows-1252 bytes. Positions are byte indexes into the stored text.
class CWideNeedle final {
public:
    explicit CWideNeedle(std::string_view needle);

    // The needle for the byte search through plain texts.
    const std::string& Cp1252Needle() const { return m_cp1252; }
    // Whether `text` is searched here instead of by the byte search.
    bool Takes(std::string_view text) const { return m_neverInCp1252 || HasTextMark(text); }

    // Start of the first occurrence at or after byte `from`, or npos.
    std::size_t FindFirst(std::string_view text, std::size_t from) const;
    // Start of the last occurrence that begins before byte `before`, or npos.
    std::size_t FindLastBefore(std::string_view text, std::size_t before) const;

private:
    bool MatchesAt(std::string_view text, std::size_t at) const;

    std::u32string m_folded;
    // The UTF-8 of every character that folds to the needle's first one:
    // where none of them is, a wide text holds no occurrence.
    std::vector<std::string> m_firstForms;
    // When the forms are one or two single bytes: those bytes (else 0).
    char m_firstBytes[2] = {0, 0};
    std::string m_cp1252;
    bool m_neverInCp1252 = false;
};
