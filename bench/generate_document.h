// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

class COvrinDoc;

// Fills `doc` with `count` entries made from `seed` alone (the same seed
// always gives the same document): key words of two to four words from a
// vocabulary with Windows-1252 accents and the euro sign, descriptions of
// several CR LF lines averaging about 300 bytes, dates, in key-word order.
// With `mixedPercent`, that share of the entries also holds words of other
// scripts (Polish, Greek, Cyrillic, Chinese, emoji, combining marks) in its
// key words and description, so those texts are wide; the rest stay as
// without it, entry for entry.
void GenerateDocument(COvrinDoc& doc, int count, std::uint64_t seed, int mixedPercent = 0);

// Fields far beyond what people type, given to the first entry of a
// generated document so that opening it shows them at once. Zero leaves a
// field as generated.
struct HugeFields final {
    std::size_t descriptionBytes = 0;  // one line of words, no line break
    std::size_t descriptionLines = 0;  // short CR LF lines
    std::size_t dateBytes = 0;         // dates separated by blanks
    std::size_t keyWordBytes = 0;      // one line of words
};
void AddHugeFields(COvrinDoc& doc, const HugeFields& fields, std::uint64_t seed);
