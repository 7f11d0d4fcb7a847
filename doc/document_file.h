// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/known_file.h"
#include "platform/safe_file.h"

class COvrinDoc;

// The outcome of opening or saving a document file. `message` is the text to
// show the user when `ok` is false; it names the file and the reason.
struct FileResult final {
    // Cancelled and NameWanted: the person, asked about a file someone else
    // changed, kept the other version or wants another name.
    enum class Error {
        None, CannotOpen, BadFormat, UnknownVersion, OutOfMemory, CannotWrite, Cancelled, NameWanted
    };
    bool ok = true;
    Error error = Error::None;
    std::string message;
};

// Opens `path` into the document the way File/Open does: the file is read
// through Serialize (a file of length 0 reads as a document without
// entries), then the document takes the file's name, writes its immediate
// saves there and counts as unmodified. A file that cannot be read, one of
// an unknown version (Serialize has shown its hint) and one too large for
// memory leave the document exactly as it was; a damaged one ("Unexpected
// file format.") leaves an empty untitled document. Pipes, devices and
// folders are refused without being read.
FileResult OpenDocumentFile(COvrinDoc& doc, const std::string& path);

// Saves the document to `path` the way File/Save and Save As do, through
// ReplaceFileContents (safe_file.h): the file that the path names gets the
// whole stream or keeps its old content. Then the document takes the file's
// name, writes its immediate saves there and counts as unmodified. A file
// without write access is refused. When `path` is the file the document
// last read or wrote and someone else has changed or removed it since, the
// person is asked first (ConsentToWrite).
FileResult SaveDocumentFile(COvrinDoc& doc, const std::string& path);

// What may happen to the file the document is about to write.
enum class WriteConsent { Write, Recreate, Keep, SaveAs };

// Asks the person, through the document's host, before the document writes
// over the file it last read or wrote when someone else changed its content
// or removed it since. Write when nothing changed, or the path is another
// file; Recreate when the person wants a removed file written again. An
// immediate save (`offerSaveAs` false) asks once for each other version:
// while the person keeps it, the answer stands without a question.
WriteConsent ConsentToWrite(COvrinDoc& doc, const std::string& path, bool offerSaveAs);

// Whether someone else changed the content of the file the document last
// read or wrote (Changed), or removed it (Vanished), since then or since
// the last call that told of it: each other version is told once.
FileChange NewChangeByOthers(COvrinDoc& doc);

// Writes the document's stream to `path` through ReplaceFileContents; on
// failure `error` says why. A text too long for the format is refused
// before anything is written. On success the document knows the file as it
// wrote it.
bool WriteDocumentStream(COvrinDoc& doc, const std::string& path, std::string& error,
                         WhenMissing whenMissing);

// Whether a text of `length` bytes can be stored: the format's lengths have
// 32 bits.
bool FitsInDocument(std::uint64_t length);

// Loads a file for reading only (the command-line tools): the same checks
// as OpenDocumentFile, but a failure never changes `doc`'s path name.
FileResult LoadDocumentFile(COvrinDoc& doc, const std::string& path);

// Called for every entry of a file in file order: its index from 0, key
// words, description and date (empty in a version "010a0000" file), as
// Windows-1252 bytes valid only during the call.
using EntryVisitor = std::function<void(int, std::string_view, std::string_view, std::string_view)>;

// Walks the entries of `path` without building a table (the command-line
// tools). The whole file is checked first, so `visit` is called only for a
// sound document, and for all of its entries; a file of an unknown version
// counts as damaged. The file is read into memory once and scanned there
// without copying any text; a file that shrinks meanwhile is an error.
FileResult ReadDocumentEntries(const std::string& path, const EntryVisitor& visit);

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

// Checks the whole of `path` as ReadDocumentEntries does, then hands its
// entries to `visit` cut into runs of about `runBytes` of the file each, so
// that several threads can walk them at once. The runs view the file's bytes
// and are valid during the call; an ArchiveError thrown by `visit` becomes
// the result's message.
FileResult ReadDocumentRuns(const std::string& path, std::size_t runBytes,
                            const EntryRunsVisitor& visit);
