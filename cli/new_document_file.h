// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "doc/document_file.h"

class COvrinDoc;

// Writes the document as a new file at `path` and never replaces anything:
// a path that exists (a dangling link included) is refused, also when it
// appears while the document is written. The document is saved as File/Save
// saves it, under a temporary folder beside `path`, and then moved to `path`
// in one step, so `path` appears only complete; after a failure it does not
// exist and nothing is left behind.
FileResult WriteNewDocumentFile(COvrinDoc& doc, const std::string& path);
