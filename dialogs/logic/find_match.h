// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dialogs/logic/wide_text_find.h"

// Folds one Windows-1252 byte to its small letter: the ASCII capitals, the
// accented capitals 0xC0..0xDE (but not the multiplication sign 0xD7) and
// the four capitals of the 0x80 block (S and Z with caron, OE, Y with
// diaeresis). Every other byte stands for itself.
unsigned char FoldCp1252(unsigned char byte);

// Whether the scans may use AVX2 where the processor has it (the default).
// Turned off, they take the SSE2 path every x86-64 processor has, so that
// path can be checked on a machine with AVX2.
void AllowAvx2FindScans(bool allowed);

// A search string folded once, matched against texts that are folded byte
// by byte while they are scanned, so a search through a large table needs no
// lower-cased copy of any text. Positions are byte indexes into the text.
class CFoldedNeedle final {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    explicit CFoldedNeedle(std::string_view needle);

    bool empty() const { return m_folded.empty(); }
    std::size_t size() const { return m_folded.size(); }

    // Start of the first occurrence at or after `from`, or npos.
    std::size_t FindFirst(std::string_view text, std::size_t from = 0) const;
    // Start of the last occurrence that lies wholly inside `text`, or npos.
    std::size_t FindLast(std::string_view text) const;
    // Start of the last occurrence that begins before byte `before`, or npos.
    std::size_t FindLastBefore(std::string_view text, std::size_t before) const;
    bool IsIn(std::string_view text) const { return FindFirst(text) != npos; }
    // Whether the needle's first letter, in either case, is in a or in b: a
    // test cheap enough that a search passes over most entries of a large
    // table without looking for the needle in their texts one by one.
    bool MayBeInEither(std::string_view a, std::string_view b) const;

private:
    bool MatchesAt(const unsigned char* p) const;

    // Texts with a mark, and a needle no plain text can hold, are searched
    // by characters there.
    CWideNeedle m_wide;
    std::string m_folded;
    // The bytes that fold to the needle's first byte (one or two of them),
    // looked for in one pass over the text; a byte without a second case
    // stands in both.
    unsigned char m_first[2] = {0, 0};
    int m_firstCount = 0;
};
