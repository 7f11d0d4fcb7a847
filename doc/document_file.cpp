// SPDX-License-Identifier: MIT
#include "doc/document_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <sys/mman.h>
#include <sys/stat.h>

#include "doc/archive.h"
#include "doc/entry_stream.h"
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

// Opens `fullPath` for reading and checks that it can be a document; on
// failure `result` says why and the returned file is null.
std::unique_ptr<std::FILE, FileCloser> OpenForReading(const std::string& fullPath,
                                                      std::uint64_t& size, FileResult& result)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fullPath.c_str(), "rb"));
    if (!file) {
        result = Failure(FileResult::Error::CannotOpen,
                         "Cannot open " + fullPath + ": " + std::strerror(errno) + ".");
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        result = Failure(FileResult::Error::CannotOpen, "Cannot open " + fullPath + ": not a regular file.");
        return nullptr;
    }
    // Indexes and positions in the document are ints; a file beyond that
    // cannot be a document this program wrote.
    if (st.st_size > INT_MAX) {
        result = Failure(FileResult::Error::BadFormat,
                         fullPath + ": the file is too large to be a document.");
        return nullptr;
    }
    size = static_cast<std::uint64_t>(st.st_size);
    return file;
}

// Runs `read` and turns a damaged stream into the message the user sees.
template <typename Read>
FileResult Guarded(const std::string& fullPath, Read read)
{
    try {
        read();
    } catch (const ArchiveError& e) {
        return Failure(FileResult::Error::BadFormat,
                       std::string(kUnexpectedFormat) + "\n" + fullPath + ": " + e.what() + ".");
    } catch (const std::bad_alloc&) {
        return Failure(FileResult::Error::BadFormat,
                       std::string(kUnexpectedFormat) + "\n" + fullPath + ": not enough memory.");
    }
    return {};
}

// Reads the file through Serialize; the document changes only on success
// (or, for an unrecognised version, as Serialize itself decides).
FileResult ReadInto(COvrinDoc& doc, const std::string& fullPath)
{
    FileResult result;
    std::uint64_t size = 0;
    auto file = OpenForReading(fullPath, size, result);
    if (!file || size == 0)
        return result;
    return Guarded(fullPath, [&] {
        CArchive ar(file.get(), size, fullPath);
        doc.Serialize(ar);
    });
}

// A file mapped read-only: the command-line tools scan it in place, the way
// grep reads a file, without a copy of any text.
class MappedFile final {
public:
    MappedFile(std::FILE* file, std::uint64_t size) : m_nSize(size)
    {
        if (size == 0)
            return;
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fileno(file), 0);
        if (p == MAP_FAILED)
            return;
        m_pData = p;
        ::madvise(p, size, MADV_SEQUENTIAL);
    }
    ~MappedFile()
    {
        if (m_pData)
            ::munmap(m_pData, m_nSize);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool ok() const { return m_pData || m_nSize == 0; }
    std::string_view bytes() const
    {
        return m_pData ? std::string_view(static_cast<const char*>(m_pData), m_nSize) : std::string_view();
    }

private:
    void* m_pData = nullptr;
    std::uint64_t m_nSize = 0;
};

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

FileResult ReadDocumentRuns(const std::string& path, std::size_t runBytes,
                            const EntryRunsVisitor& visit)
{
    const std::string fullPath = FullPath(path);
    FileResult result;
    std::uint64_t size = 0;
    auto file = OpenForReading(fullPath, size, result);
    if (!file)
        return result;
    const MappedFile mapped(file.get(), size);
    if (!mapped.ok())
        return Failure(FileResult::Error::CannotOpen,
                       "Cannot open " + fullPath + ": " + std::strerror(errno) + ".");
    if (size == 0)
        return {};

    // The first pass only checks the stream, so that nothing is visited from
    // a file that turns out to be damaged further on; it notes where the
    // runs begin and end on the way.
    const std::string_view bytes = mapped.bytes();
    std::vector<EntryRun> runs;
    result = Guarded(fullPath, [&] {
        CArchive ar(bytes, fullPath);
        CEntryStream stream(ar);
        if (!stream.IsKnownVersion())
            throw ArchiveError("not an Ovrin document (unknown version)");
        const auto offset = [&] { return static_cast<std::size_t>(bytes.size() - ar.Remaining()); };
        EntryRun run{0, 0, stream.HasDates(), {}};
        std::size_t start = offset();
        for (int i = 0; i < stream.Count(); ++i) {
            stream.ReadEntry();
            ++run.count;
            const std::size_t end = offset();
            if (end - start >= runBytes || i + 1 == stream.Count()) {
                run.bytes = bytes.substr(start, end - start);
                runs.push_back(run);
                run.first = i + 1;
                run.count = 0;
                start = end;
            }
        }
    });
    if (!result.ok)
        return result;
    // Guarded again only for a file changed by someone else in between.
    return Guarded(fullPath, [&] { visit(runs); });
}

void WalkEntryRun(const EntryRun& run, const EntryVisitor& visit)
{
    CArchive ar(run.bytes, std::string());
    CEntryStream stream(ar, run.hasDates, run.count);
    for (int i = 0; i < run.count; ++i) {
        const CEntryStream::Entry entry = stream.ReadEntry();
        visit(run.first + i, entry.keyWords, entry.description, entry.date);
    }
}

FileResult ReadDocumentEntries(const std::string& path, const EntryVisitor& visit)
{
    return ReadDocumentRuns(path, SIZE_MAX, [&](const std::vector<EntryRun>& runs) {
        for (const EntryRun& run : runs)
            WalkEntryRun(run, visit);
    });
}
