// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/search/wide_text_find.h"

class CStringArray;

// The blocks of an array (CStringArray::VisitBlocks) that a sweep found
// without the needle: a text whose record lies in one of them is not looked
// at. Asked about the texts of a table in order, it mostly answers from the
// block, or the stretch between blocks, it found last.
class CSweptClean final {
public:
    bool empty() const { return m_blocks.empty(); }
    bool Holds(const char* record) const
    {
        const auto at = reinterpret_cast<std::uintptr_t>(record);
        const auto in = [&](const Range& r) { return at >= r.first && at < r.second; };
        return in(m_lastBlock) || (!in(m_lastGap) && Find(at));
    }
    void Add(const char* begin, const char* end)
    {
        m_blocks.emplace_back(reinterpret_cast<std::uintptr_t>(begin), reinterpret_cast<std::uintptr_t>(end));
    }
    // Once every block is added.
    void Sort();

private:
    // Addresses as numbers, so that any two compare.
    using Range = std::pair<std::uintptr_t, std::uintptr_t>;
    bool Find(std::uintptr_t at) const;

    std::vector<Range> m_blocks;
    mutable Range m_lastBlock{0, 0};
    mutable Range m_lastGap{0, 0};
};

// Folds one Windows-1252 byte to its small letter: the ASCII capitals, the
// accented capitals 0xC0..0xDE (but not the multiplication sign 0xD7) and
// the four capitals of the 0x80 block (S and Z with caron, OE, Y with
// diaeresis). Every other byte stands for itself.
unsigned char FoldCp1252(unsigned char byte);
// How often a folded Windows-1252 byte turns up in ordinary German and
// English text, 0 to 255: only the order matters.
unsigned char TypicalFrequency(unsigned char folded);

// The byte of a needle a search looks for first, the rarest in ordinary
// text, at its distance from the needle's start: a byte b passes when
// (b | blend) == value, so that one test takes each case of a letter (and
// a few bytes more, since every candidate is compared in full).
struct FindAnchor {
    FindAnchor() = default;
    FindAnchor(std::size_t at, unsigned char blendBits, unsigned char passing);

    std::size_t offset = 0;
    unsigned char blend = 0;
    unsigned char value = 0;
    // The bytes that pass, each looked for with memchr; none where there
    // are more than four (a few UTF-8 bytes of a wide needle), which are
    // tested byte by byte.
    int count = 0;
    unsigned char bytes[4] = {};
};

// Two or four bytes that every occurrence of a needle has, at their
// distances from its start: a byte b passes at offset[k] when
// (b | blend[k]) == value[k]. A stretch of places is tested for them at
// once, many places a step, where memchr would stop every few bytes (a
// needle of common letters only) or would look for each case of a letter
// in a pass of its own.
struct FindFilter {
    int tests = 0;  // how many of the four are tested: 0 (no filter), 2 or 4
    std::size_t offset[4] = {};
    unsigned char blend[4] = {};
    unsigned char value[4] = {};
};

// A search string folded once, matched against texts that are folded byte
// by byte while they are scanned, so a search through a large table needs no
// lower-cased copy of any text. Positions are byte indexes into the text.
//
// The scan compares the needle only where its rarest bytes are: it skips
// with memchr to the next of a rare byte that has one form, and tests many
// places at a time for two of the needle's bytes (a rare letter, whose two
// cases memchr would look for one at a time) or four (a needle of common
// letters only). So the speed of a search that finds nothing depends on how
// rare the needle's letters are, not on its first one.
class CFoldedNeedle final {
public:
    static constexpr std::size_t npos = std::string_view::npos;

    explicit CFoldedNeedle(std::string_view needle);
    // The same needle for texts held as Windows-1252 bytes (the file's
    // 8-bit form, before they are converted): std::nullopt when no such
    // text can hold it.
    static std::optional<CFoldedNeedle> OverCp1252Bytes(std::string_view needle);
    // For texts held as UTF-16 code units, a look that refuses most of
    // those without the needle: a part of it that each such text holding
    // it has among its bytes (at any place, so IsIn may also be true of
    // one that does not). std::nullopt when no part of the needle has
    // only ASCII forms.
    static std::optional<CFoldedNeedle> OverUtf16Units(std::string_view needle);

    bool empty() const { return m_folded.empty(); }
    std::size_t size() const { return m_folded.size(); }

    // Start of the first occurrence at or after `from`, or npos.
    std::size_t FindFirst(std::string_view text, std::size_t from = 0) const;
    // Start of the last occurrence that lies wholly inside `text`, or npos.
    std::size_t FindLast(std::string_view text) const;
    // Start of the last occurrence that begins before byte `before`, or npos.
    std::size_t FindLastBefore(std::string_view text, std::size_t before) const;
    bool IsIn(std::string_view text) const;
    // False when the needle is in no text of `a` nor of `b` (if given);
    // true when it may be. The arrays' blocks are swept as long runs of
    // bytes, lengths and texts left behind included, so a table is passed
    // over in about the time its bytes take to read, not entry by entry.
    // The sweep stops at the first bytes that may be an occurrence: it
    // begins where text `from` lies in an array that keeps its texts in
    // order (as one read from a file does), and goes on in the direction
    // of the search, through both arrays alike, so that a hit near `from`
    // ends it early. The blocks it found clean before it stopped are put
    // in clean[0] (of a) and clean[1] (of b), if given.
    bool MayBeInAny(const CStringArray& a, const CStringArray* b = nullptr, std::size_t from = 0,
                    bool backward = false, CSweptClean* clean = nullptr) const;

private:
    // The bytes searched: a text's own (UTF-8), or those of a text the
    // file holds in its 8-bit form or as UTF-16 code units.
    enum class Bytes { Utf8, Cp1252, Utf16Units };
    CFoldedNeedle(std::string_view needle, std::string_view text, Bytes bytes);
    bool MatchesAt(const unsigned char* p) const;
    // Whether a sweep looks for the bytes of the run: for a needle beyond
    // ASCII, whose letters' forms differ in length.
    bool SweptByRun() const { return m_byCharacters && !m_wide.IsAsciiNeedle(); }
    // Whether the records of a block, [begin, end), may hold an occurrence
    // in one of their texts: the needle's folded bytes, or for a needle
    // swept for by its run, the bytes of that run.
    bool MayBeInBytes(const char* begin, const char* end) const;

    // A needle beyond ASCII, and a text with another form of one of its
    // letters, are searched by characters there.
    CWideNeedle m_wide;
    std::string m_folded;
    FindAnchor m_anchor;
    // The bytes looked for instead of the anchor alone, for a needle whose
    // rarest letter is common or has two cases; none for other needles.
    FindFilter m_filter;
    // Whether an occurrence may lie where a text's bytes are not the
    // needle's folded bytes (a letter of another form, or any letter
    // above 127).
    bool m_byCharacters = true;
    // For a needle beyond ASCII: the bytes its longest run of
    // characters of one length each has in every text that holds it
    // (a byte b passes at j when (b | blend[j]) == value[j]), and the
    // rarest of them.
    std::string m_runBlend;
    std::string m_runValue;
    FindAnchor m_runAnchor;
    FindFilter m_runFilter;  // as m_filter, for the run
};
