// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One entry read from a record set, its texts in Windows-1252 with CR LF as
// the line break, as the document holds them.
struct ImportedEntry final {
    std::string keyWords;
    std::string description;
    std::string date;
};

struct RecordSetReading final {
    bool ok = true;
    // When !ok: where and what, e.g. "record 3 (line 12), field Description:
    // the character ...".
    std::string message;
    std::vector<ImportedEntry> entries;  // in the order of the file
};

// Reads a GNU recutils record set in UTF-8 as recsel reads it:
// - records are separated by lines that are empty or hold only blanks;
//   lines starting with '#' are comments;
// - a field is "Name: value"; the one blank (space or tab) after the colon
//   is not part of the value;
// - a line starting with '+' continues the value on a new line, one space
//   after the '+' dropped; a line ending in a backslash is joined with the
//   next line, both the backslash and the line break dropped;
// - an optional record descriptor (%rec: ...) opens the set; a second one
//   would start another set and is refused.
// A record holds KeyWords (required), Description and Date (empty when
// missing; a missing Date becomes `today`), and Number, which is ignored;
// any other field, or a field given twice, is refused, so that nothing of the
// file is silently dropped. Refuses, naming the line, the record and the
// field: text that is not UTF-8, a character Windows-1252 cannot hold, a NUL
// byte, and a line that is no field, comment or blank line.
RecordSetReading ReadRecordSet(std::string_view text, const std::string& today);
