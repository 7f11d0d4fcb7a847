// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/document/string_array.h"
#include "core/document/table_change.h"

// The texts of one entry, as a change writes them.
struct EntryTexts {
    std::string_view keyWords;
    std::string_view description;
    std::string_view date;
};

// The three entry arrays, one element per entry in each.
struct EntryTable {
    CStringArray keyWords;
    CStringArray descriptions;
    CStringArray dates;
};

// A digest of an entry's three texts: tells, in one look-up, whether another
// table holds the same entry (key words, description and date all equal).
std::uint64_t EntryDigest(const EntryTexts& entry);
EntryTexts EntryAt(const EntryTable& table, std::size_t i);
bool operator==(const EntryTexts& a, const EntryTexts& b);

// Where the first entry with these key words stands, or -1: the current
// entry is found again by its key words after a merge.
int FindKeyWords(const EntryTable& table, std::string_view keyWords);
// For each entry of `entries`, whether `table` holds an equal one (key
// words, description and date), in a table in any order.
std::vector<bool> HeldIn(const EntryTable& entries, const EntryTable& table);
// How many entries of `a` the table `b` does not hold.
int CountNotIn(const EntryTable& a, const EntryTable& b);

// Does to the rows of `table` what `change` tells of one entry: `texts` come
// in at change.entry (Inserted), the entry there goes (Removed), or the entry
// at change.from takes `texts` and moves to change.entry (Rewritten; its own
// description stays when change.keptDescription says so). The
// same arithmetic serves the document and the replay of a recovery record,
// so that both give the same table. A Replaced change does nothing here.
void ApplyChange(EntryTable& table, const TableChange& change, const EntryTexts& texts);
