// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class COvrinDoc;

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

// The room WriteRecutilsRecord needs at its pointer for these texts.
std::size_t RecutilsRecordRoom(std::string_view keyWords, std::string_view date,
                               std::string_view description);
// Writes one record, preceded by its blank line, at `to` and returns its end.
// `exact` becomes false when a line of it ends in a backslash (see above).
char* WriteRecutilsRecord(char* to, int number, std::string_view keyWords, std::string_view date,
                          std::string_view description, bool& exact);
