// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/file/archive.h"
#include "core/file/document_file.h"

// Called for every entry of a file in file order: its index from 0, key
// words, description and date (empty in a version "010a0000" file), as
// UTF-8 valid only during the call.
using EntryVisitor = std::function<void(int, std::string_view, std::string_view, std::string_view)>;

// Consecutive entries of a file that was checked: the index of the first,
// how many there are, whether they carry dates, and the bytes they take.
struct EntryRun final {
    int first = 0;
    int count = 0;
    bool hasDates = true;
    std::string_view bytes;
};

// Calls `visit` for each entry of `run` in order, with indexes counted from
// the start of the file. Throws ArchiveError only if the file was changed by
// someone else after it was checked.
void WalkEntryRun(const EntryRun& run, const EntryVisitor& visit);

using EntryRunsVisitor = std::function<void(const std::vector<EntryRun>&)>;

// Whether an entry, given its index, key words and description, is still to
// be visited. A run none of whose entries is, is not read a second time.
using EntrySieve = std::function<bool(int, std::string_view, std::string_view)>;

// Before the sieve, for each entry its key words and then (`description`)
// its description as the file holds them (8-bit bytes or UTF-16 code
// units): whether the text makes the entry pass for certain, cannot, or
// may. Only a description that may reaches the sieve converted (the others
// empty); an entry whose two texts cannot pass does not reach it at all.
enum class Sifted { Refused, Holds, MayHold };
using StoredTextSieve = std::function<Sifted(bool description, const CArchive::StoredText& text)>;
// Before the stored sieve, the bytes of the file from where a text begins
// to the end of the piece the checking pass holds: the offset of the first
// place there that may begin an occurrence in a text of that form (8-bit
// or UTF-16) lying wholly in those bytes, or npos. A text with no such
// place is refused without asking the stored sieve, and one look serves
// the texts up to the place it found.
using PieceSieve = std::function<std::size_t(std::string_view bytes, bool utf16)>;

// How much of a file the walk holds in memory at once: runs of about
// `runBytes` (a run is never cut inside an entry, so one large entry makes
// a run of its own), handed on in batches of about `batchBytes`.
struct WalkSizes final {
    std::size_t runBytes = 1 << 17;
    std::size_t batchBytes = 1 << 17;
};

// Walks the entries of `path` without building a table (the command-line
// tools). The whole file is read twice, streaming: the first pass checks
// it, so that nothing is visited from a file that turns out to be damaged
// further on (a file of an unknown version counts as damaged); the second
// hands the entries to `visit` in order, batch after batch. Memory stays at
// a batch and the largest entry, whatever the size of the file. A file that
// shrinks or changes between the passes is an error, reported after the
// entries visited until then; an ArchiveError thrown by `visit` becomes the
// result's message.
//
// With a `sieve`, the checking pass also asks it about the entries of each
// run in order until one passes, and the second pass reads only the runs
// where one did: a search that finds little reads the file about once. The
// runs handed on may still hold entries that do not pass. A `storedSieve`
// spares the checking pass converting texts the sieve would refuse, and a
// `pieceSieve` asking it about most of them.
FileResult ReadDocumentRuns(const std::string& path, const EntryRunsVisitor& visit, WalkSizes sizes = {},
                            const EntrySieve& sieve = {}, const StoredTextSieve& storedSieve = {},
                            const PieceSieve& pieceSieve = {});

// The same, entry by entry.
FileResult ReadDocumentEntries(const std::string& path, const EntryVisitor& visit, WalkSizes sizes = {},
                               const EntrySieve& sieve = {}, const StoredTextSieve& storedSieve = {},
                               const PieceSieve& pieceSieve = {});
