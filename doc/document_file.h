// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>

class COvrinDoc;

// The outcome of opening or saving a document file. `message` is the text to
// show the user when `ok` is false; it names the file and the reason.
struct FileResult final {
    enum class Error { None, CannotOpen, BadFormat, CannotWrite };
    bool ok = true;
    Error error = Error::None;
    std::string message;
};

// Opens `path` into the document the way File/Open does: the file is read
// through Serialize (nothing is read from an empty file), then the document
// takes the file's name and counts as unmodified. A file that cannot be read
// leaves the document as it was; a damaged one ("Unexpected file format.")
// leaves an empty untitled document.
FileResult OpenDocumentFile(COvrinDoc& doc, const std::string& path);

// Saves the document to `path` the way File/Save and Save As do: the whole
// stream replaces the file at once (a failed write leaves the old file
// intact), then the document takes the file's name and counts as unmodified.
FileResult SaveDocumentFile(COvrinDoc& doc, const std::string& path);

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
// counts as damaged. The file is scanned in place, never copied, so the
// memory needed does not grow with it.
FileResult ReadDocumentEntries(const std::string& path, const EntryVisitor& visit);
