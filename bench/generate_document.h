// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

class COvrinDoc;

// Fills `doc` with `count` entries made from `seed` alone (the same seed
// always gives the same document): key words of two to four words from a
// vocabulary with Windows-1252 accents and the euro sign, descriptions of
// several CR LF lines averaging about 300 bytes, dates, in key-word order.
void GenerateDocument(COvrinDoc& doc, int count, std::uint64_t seed);
