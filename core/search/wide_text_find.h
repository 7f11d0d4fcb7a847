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

// The part of a search that reads characters: texts with a mark (wide or
// escaped ones, core/text/text_form.h), and every text when the needle holds a
// character that no Windows-1252 text can match. Plain Windows-1252 texts
// are left to the byte search of CFoldedNeedle, which this gives the needle
// as Windows-1252 bytes; so are the wide texts a needle of ASCII characters
// is in exactly where its bytes are, since UTF-8 keeps ASCII bytes as they
// are and no other character's bytes are ASCII. Positions are byte indexes
// into the stored text.
class CWideNeedle final {
public:
    explicit CWideNeedle(std::string_view needle);

    // The needle for the byte search through plain texts.
    const std::string& Cp1252Needle() const { return m_cp1252; }
    // Whether `text` is searched here instead of by the byte search.
    bool Takes(std::string_view text) const { return m_neverInCp1252 || (HasTextMark(text) && TakesMarked(text)); }

    // Whether no plain text can hold the needle: then only marked texts
    // are searched, and a plain one costs a look at its first bytes.
    bool NeverInCp1252() const { return m_neverInCp1252; }

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
    bool TakesMarked(std::string_view text) const;
    bool HoldsOtherForm(std::string_view text) const;
    bool MatchesAt(std::string_view text, std::size_t at) const;
    std::size_t FindByAnchor(std::string_view text, std::size_t from, std::size_t anchor, const FormBytes& bytes) const;

    std::u32string m_folded;
    // The UTF-8 of every character that folds to the needle's first one:
    // where none of them is, a wide text holds no occurrence.
    std::vector<std::string> m_firstForms;
    // The run a wide text is scanned for: the index of its first character
    // in the needle (npos when no character has forms of one length), and
    // its bytes; first for a text without the other forms of the needle's
    // letters (those not as long as the letter: the Kelvin sign for k, the
    // long s for s), whose runs are of the main forms, then for any.
    std::size_t m_mainAnchor = std::string::npos;
    FormBytes m_mainBytes;
    std::size_t m_anchor = std::string::npos;
    FormBytes m_anchorBytes;
    std::vector<std::string> m_otherForms;
    FormBytes m_otherBytes[4];
    std::size_t m_otherKinds = 0;
    // Whether a wide text without other forms is searched as bytes (an
    // ASCII needle).
    bool m_asciiBytes = false;
    std::string m_cp1252;
    bool m_neverInCp1252 = false;
};
