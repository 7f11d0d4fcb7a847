// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class COvrinDoc;
struct EntryRun;

// Appends every entry of `doc`, in table order, to `out` as a GNU recutils
// record set in UTF-8: the descriptor "%rec: Entry", then one record per
// entry with the fields Number (from 1), KeyWords, Date and Description.
// A value always follows "Name: " with exactly one blank, which recutils
// drops, so blanks at either edge survive; each further line of a value
// goes on a line of its own starting with "+ ". CR LF is the line break.
//
// recutils joins a line that ends in a backslash with the next one, and
// offers no way to escape that backslash, so such a line cannot be read back
// exactly. The numbers of entries holding one are put into `inexact`.
void ExportRecutils(const COvrinDoc& doc, std::string& out, std::vector<int>& inexact);

// The record descriptor that opens the set.
extern const char kRecutilsDescriptor[];

// Writes the records of `runs` in order through `write`, converting on
// `lanes` threads at once. Numbers of entries that cannot be exact (see
// above) go into `inexact`. An ArchiveError from a run (a file changed while
// it was read) is passed on after the runs in flight have finished; what was
// written by then stays written.
void ExportRecutilsRuns(const std::vector<EntryRun>& runs, unsigned lanes,
                        const std::function<void(std::string_view)>& write,
                        std::vector<int>& inexact);
