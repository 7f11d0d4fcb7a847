// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

class COvrinDoc;

// What a pane shows of the document, decided here once for the drawing,
// the printed pages and the accessibility interface.

// What the pane shows, in the order of the drawing's branches.
enum class ViewShows { Welcome, Entry, KeyList };
ViewShows ShownBy(const COvrinDoc& doc);

// The entry the description view shows (and a print of it prints): a
// current entry outside the table is drawn as the nearest one. -1 without
// entries.
int ShownEntry(const COvrinDoc& doc);

// Where the last find hit lies in the entry shown: nowhere in it, in its key
// words, or at a byte of its description (never past its end).
struct ShownHit {
    enum class Where { None, KeyWords, Description };
    Where where = Where::None;
    std::size_t pos = 0;  // the byte in the description
};
ShownHit FindHitShown(const COvrinDoc& doc);
