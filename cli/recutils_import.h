// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "cli/imported_entries.h"

struct RecordSetReading final {
    bool ok = true;
    // When !ok: where and what, e.g. "record 3 (line 12), field Description
    // (line 14): the character ...".
    std::string message;
    ImportedEntries entries;  // in the order of the file
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
// Lines may end in LF or in CR LF (as editors on Windows write them): the CR
// before a line feed belongs to the line end, never to the text.
// A record holds KeyWords (required), Description and Date (empty when
// missing; a missing Date becomes `today`), and Number, which is ignored;
// any other field, or a field given twice, is refused, so that nothing of the
// file is silently dropped. Refuses, naming the line, and the record and the
// field where there is one: text that is not UTF-8, a NUL byte, an
// encrypted field (recsel -s decrypts them),
// and a line that is no field, comment or blank line.
//
// The text may come in pieces of any size (a pipe); the set is refused at
// the first bad byte, without waiting for the rest.
class RecordSetReader final {
public:
    explicit RecordSetReader(std::string today);
    ~RecordSetReader();
    RecordSetReader(const RecordSetReader&) = delete;
    RecordSetReader& operator=(const RecordSetReader&) = delete;

    // Reads the next piece; false once the set is refused.
    bool Feed(std::string_view bytes);
    // The entries, or the refusal, after the last piece.
    RecordSetReading Finish();

private:
    class Parser;
    std::unique_ptr<Parser> m_parser;
};

// The whole text at once.
RecordSetReading ReadRecordSet(std::string_view text, const std::string& today);
