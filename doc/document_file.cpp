// SPDX-License-Identifier: MIT
#include "doc/document_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <sys/stat.h>

#include "doc/archive.h"
#include "doc/ovrin_doc.h"
#include "doc/safe_file.h"

namespace {

const char kUnexpectedFormat[] = "Unexpected file format.";

FileResult Failure(FileResult::Error error, std::string message)
{
    return FileResult{false, error, std::move(message)};
}

std::string FullPath(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads the file through Serialize; the document changes only on success
// (or, for an unrecognised version, as Serialize itself decides).
FileResult ReadInto(COvrinDoc& doc, const std::string& fullPath)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fullPath.c_str(), "rb"));
    if (!file)
        return Failure(FileResult::Error::CannotOpen,
                       "Cannot open " + fullPath + ": " + std::strerror(errno) + ".");
    struct stat st {};
    if (::fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return Failure(FileResult::Error::CannotOpen, "Cannot open " + fullPath + ": not a regular file.");
    // Indexes and positions in the document are ints; a file beyond that
    // cannot be a document this program wrote.
    if (st.st_size > INT_MAX)
        return Failure(FileResult::Error::BadFormat,
                       fullPath + ": the file is too large to be a document.");
    if (st.st_size == 0)
        return {};
    try {
        CArchive ar(file.get(), static_cast<std::uint64_t>(st.st_size), fullPath);
        doc.Serialize(ar);
    } catch (const ArchiveError& e) {
        return Failure(FileResult::Error::BadFormat,
                       std::string(kUnexpectedFormat) + "\n" + fullPath + ": " + e.what() + ".");
    } catch (const std::bad_alloc&) {
        return Failure(FileResult::Error::BadFormat,
                       std::string(kUnexpectedFormat) + "\n" + fullPath + ": not enough memory.");
    }
    return {};
}

}  // namespace

FileResult LoadDocumentFile(COvrinDoc& doc, const std::string& path)
{
    return ReadInto(doc, FullPath(path));
}

FileResult OpenDocumentFile(COvrinDoc& doc, const std::string& path)
{
    const std::string fullPath = FullPath(path);
    FileResult result = ReadInto(doc, fullPath);
    if (!result.ok) {
        // A damaged file leaves a fresh untitled document, never a half-read
        // one; a file that could not be opened at all changes nothing.
        if (result.error == FileResult::Error::BadFormat)
            doc.OnNewDocument();
        return result;
    }
    doc.SetPathName(fullPath);
    doc.SetModifiedFlag(false);
    return result;
}

FileResult SaveDocumentFile(COvrinDoc& doc, const std::string& path)
{
    const std::string fullPath = FullPath(path);
    std::string bytes;
    CArchive ar(bytes);
    doc.Serialize(ar);
    std::string error;
    if (!ReplaceFileContents(fullPath, bytes, error))
        return Failure(FileResult::Error::CannotWrite, "Cannot save " + fullPath + ": " + error + ".");
    doc.SetPathName(fullPath);
    doc.SetModifiedFlag(false);
    return {};
}
