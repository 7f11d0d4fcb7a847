// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/document/table_change.h"
#include "core/layout/text_wrap.h"

class COvrinDoc;

// The key list: every entry's key words wrapped between x = 15 and the right
// edge, one block under the other. The bottoms of all blocks are kept and
// renewed only when the table (as the document tells), the line height,
// the font or the right edge changes, so that painting a table of 200 000 entries touches only the
// blocks in view. After one Add, Edit, Delete or Undo the bottoms are
// mended rather than made again: one key is measured, the rest shift.
class CKeyListLayout final {
public:
    // Every change of the document's table, as it happens: one change is
    // mended at the next Update, more than one make the bottoms again.
    void TableChanged(const TableChange& change);
    // Brings the bottoms up to date; fontKey names the font (its metrics).
    void Update(const COvrinDoc& doc, int right, const TextMetrics& metrics, const std::string& fontKey);

    const std::vector<int>& Bottoms() const { return m_arrKeyBottoms; }
    int ContentHeight() const { return m_arrKeyBottoms.empty() ? 0 : m_arrKeyBottoms.back(); }
    int TopOf(int i) const { return i == 0 ? 0 : m_arrKeyBottoms[i - 1]; }
    // The first block whose bottom lies below y: blocks are half-open, so a
    // y exactly on a bottom belongs to the next block. -1 below the last.
    int BlockAt(int y) const;
    // The least scroll that shows the block of `current`, when that entry is
    // not the one followed last (a command moved the current entry); a scroll
    // of the person's own stays while the current entry does.
    std::optional<int> Follow(int current, int scrollY, int shownHeight);
    // The next Follow brings the current entry into view whatever it is.
    void Unfollow() { m_nFollowed = -1; }

private:
    bool Mend(const TableChange& change, const COvrinDoc& doc, const TextMetrics& metrics);
    void InsertBlock(int i, int height);
    void RemoveBlock(int i);

    std::vector<int> m_arrKeyBottoms;
    // What happened to the table since the bottoms were made: nothing, one
    // change to mend, or more (or a new table).
    enum class Since { Nothing, OneChange, Remake };
    Since m_since = Since::Remake;
    TableChange m_change;
    int m_nRight = -1;
    int m_nLineHeight = -1;
    std::string m_strFontKey;
    int m_nFollowed = -1;
};
