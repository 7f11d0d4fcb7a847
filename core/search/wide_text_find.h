// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/text_form.h"

// How Find compares characters, case ignored: a Windows-1252 character
// folds as FoldCp1252 folds its byte, every other character by Unicode's
// simple case folding (so Ł finds ł, and Σ, σ and ς find each other).
char32_t FoldForFind(char32_t c);
// Every character whose fold is `folded`.
std::vector<char32_t> CharactersFoldingTo(char32_t folded);

// The part of a search that reads characters. A needle of ASCII characters
// is in a text exactly where its bytes are, folded byte by byte, since
// UTF-8 keeps ASCII bytes as they are and no other character's bytes are
// ASCII: such texts are left to the byte search of CFoldedNeedle. Only a
// text with another form of one of its letters (the Kelvin sign for k, the
// long s for s), and every text for any other needle, is searched here.
// Positions are byte indexes into the text.
class CWideNeedle final {
public:
    explicit CWideNeedle(std::string_view needle);

    // Whether the needle is ASCII, so that the byte search may take texts.
    bool IsAsciiNeedle() const { return m_asciiBytes; }
    // Whether `text` is searched here instead of by the byte search.
    bool Takes(std::string_view text) const;

    // Start of the first occurrence at or after byte `from`, or npos.
    std::size_t FindFirst(std::string_view text, std::size_t from) const;
    // Start of the last occurrence that begins before byte `before`, or npos.
    std::size_t FindLastBefore(std::string_view text, std::size_t before) const;

    // Two bytes of every form of a run of the needle's characters whose
    // forms are of one length each, so that those bytes stand at fixed
    // distances: a byte p of a text is a candidate start of the run when
    // (p[offset[k]] | blend[k]) == value[k] for both k. The forms of a letter
    // differ in a bit or two, which `blend` sets; a few other characters may
    // pass too.
    struct FormBytes {
        std::size_t offset[2] = {0, 0};
        unsigned char blend[2] = {0, 0};
        unsigned char value[2] = {0, 0};
    };

private:
    bool HoldsOtherForm(std::string_view text) const;
    bool MatchesAt(std::string_view text, std::size_t at) const;
    std::size_t FindByAnchor(std::string_view text, std::size_t from, std::size_t anchor, const FormBytes& bytes) const;

    std::u32string m_folded;
    // The UTF-8 of every character that folds to the needle's first one:
    // where none of them is, a text holds no occurrence.
    std::vector<std::string> m_firstForms;
    // The run a text is scanned for: the index of its first character
    // in the needle (npos when no character has forms of one length), and
    // its bytes; first for a text without the other forms of the needle's
    // letters (those not as long as the letter: the Kelvin sign for k, the
    // long s for s), whose runs are of the main forms, then for any.
    std::size_t m_mainAnchor = std::string::npos;
    FormBytes m_mainBytes;
    std::size_t m_anchor = std::string::npos;
    FormBytes m_anchorBytes;
    std::vector<std::string> m_otherForms;
    // Whether the needle is ASCII: a text without other forms is then
    // searched as bytes.
    bool m_asciiBytes = false;
};
