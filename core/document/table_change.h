// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What one change did to the rows of the entry table: after Add and Undo one
// entry came in at `entry`; after Delete one went out at `entry`; after Edit
// the entry at `from` was rewritten and now stands at `entry`. Replaced says
// the whole table is new (opened, new document, recovered), or, when
// `merged`, the old one with many entries added at once: that one is an
// unsaved change like the others.
struct TableChange {
    enum class Kind { Inserted, Removed, Rewritten, Replaced };
    Kind kind = Kind::Inserted;
    int entry = -1;
    int from = -1;
    // Rewritten only: the description is the one the entry had, left where
    // it lies, so what views learnt of it still holds.
    bool keptDescription = false;
    bool merged = false;
    // Replaced only: the unsaved changes made to another version of the
    // file. Their record, replayed onto that version by content, gives the
    // new table.
    bool ontoOtherVersion = false;
    // Removed and Rewritten: the digest (EntryDigest) of the entry as it was
    // before, so that a replay onto another version of the file finds it
    // there by its content.
    std::uint64_t gone = 0;
};
