// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/known_file.h"
#include "platform/safe_file.h"

class COvrinDoc;
struct MergeCounts;
struct MergeOutcome;

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

// Adds the entries of the document file `path` to the document the way
// File/Merge does (COvrinDoc::MergeEntries); `counts` says what came in. A
// file that cannot be read, is damaged, of an unknown version or too large
// for memory is refused as Open refuses it, and the document stays exactly
// as it was.
FileResult MergeDocumentFile(COvrinDoc& doc, const std::string& path, MergeCounts& counts);

// Reads the other version of the document's file, the one someone else put
// there, when the document has no unsaved changes: the table becomes the
// file's, the current entry is found again by its key words, and the
// document knows the file as it is now. A file that cannot be read leaves
// the document exactly as it was.
FileResult ReloadDocumentFile(COvrinDoc& doc);

// Replays the unsaved changes, as `record` (the recovery record's form)
// holds them, onto the other version of the document's file (ReplayOnto),
// and makes the result the document's table, still unsaved; the document
// then knows the file as it was read. A file that cannot be read leaves the
// document exactly as it was.
FileResult MergeOtherVersion(COvrinDoc& doc, std::string_view record, MergeOutcome& outcome);

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
// file, or the person had the unsaved changes merged into the other version
// (MergeOtherVersion); Recreate when the person wants a removed file written
// again. A merge that cannot read the other version keeps it, with the
// reason in `failure`. An
// immediate save (`offerSaveAs` false) asks once for each other version:
// while the person keeps it, the answer stands without a question.
WriteConsent ConsentToWrite(COvrinDoc& doc, const std::string& path, bool offerSaveAs,
                            std::string* failure = nullptr);

// Whether someone else changed the content of the file the document last
// read or wrote (Changed), or removed it (Vanished), since then or since
// the last call that told of it: each other version is told once.
FileChange NewChangeByOthers(COvrinDoc& doc);

// Writes the document's stream to `path` through ReplaceFileContents; on
// failure `error` says why. A text too long for the format is refused
// before anything is written. On success the document knows the file as it
// wrote it. Where ConsentToWrite allowed a version of the file to be
// replaced and another one stands right before the replacement, nothing is
// replaced and `changedMeanwhile` is set: consent is to be asked again.
bool WriteDocumentStream(COvrinDoc& doc, const std::string& path, std::string& error,
                         WhenMissing whenMissing, bool* changedMeanwhile = nullptr);

// Whether a text of `length` bytes can be stored: the format's lengths have
// 32 bits.
bool FitsInDocument(std::uint64_t length);

// A document file open for reading.
struct FileCloser final {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using ReadingFile = std::unique_ptr<std::FILE, FileCloser>;

// `path` made absolute, as messages name it, and as the kernel resolves it:
// only "." and doubled slashes are dropped; ".." after a link leads where
// the link points. The result may be longer than a path the system takes
// in one call (platform/file_system.h reaches it).
std::string DocumentFullPath(const std::string& path);

// Opens `fullPath` for reading, the one way a document file is opened
// whoever reads it, and tells its `size`; on failure `result` says why and
// the file is null. Pipes, devices and folders are refused without being
// read or waited for.
ReadingFile OpenDocumentForReading(const std::string& fullPath, std::uint64_t& size, FileResult& result);

// Runs `read` and turns a refused stream (ArchiveError, an unknown version,
// too little memory) into the message the user sees.
FileResult GuardedRead(const std::string& fullPath, const std::function<void()>& read);
