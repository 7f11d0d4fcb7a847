// SPDX-License-Identifier: MIT
#pragma once

#include <string>

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
