// SPDX-License-Identifier: MIT
#pragma once

#include <string>

class COvrinDoc;

// Where a new document is to go: the folder that a path names, opened once
// as the kernel resolves it (links and ".." included, never shortened as
// text), and the file's name in it. Every later step works in that folder,
// so the place that was checked is the place that is written.
class NewDocumentPlace final {
public:
    NewDocumentPlace() = default;
    ~NewDocumentPlace();
    NewDocumentPlace(const NewDocumentPlace&) = delete;
    NewDocumentPlace& operator=(const NewDocumentPlace&) = delete;

    // Opens the folder of `path`; false, with the reason in `error`, when it
    // cannot be opened, `path` names no file (it ends in '/', "." or ".."),
    // or its name has the pattern of the temporaries below.
    bool Open(const std::string& path, std::string& error);

    // Whether anything is there by that name, a dangling link included.
    bool Exists() const;

    // Writes the document as a new file and never replaces anything: it is
    // written and synced under a temporary name, locked while it is
    // written, and moved to its name in one step that fails if the name
    // was taken meanwhile (EEXIST). Returns 0 or the errno of the failure;
    // nothing is left behind either way. Temporaries that an import killed
    // earlier left in the folder are cleared first: only those with this
    // program's own name pattern, owned by this user and locked by nobody.
    int Write(COvrinDoc& doc) const;

private:
    int m_folder = -1;
    std::string m_name;
};

// The name pattern of those temporaries: this prefix and eight letters or
// digits.
bool IsImportTemporaryName(const std::string& name);
