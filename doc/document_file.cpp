// SPDX-License-Identifier: MIT
#include "doc/document_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "doc/archive.h"
#include "doc/document_host.h"
#include "doc/entry_stream.h"
#include "doc/known_file.h"
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

FileResult NotRegular(const std::string& fullPath)
{
    return Failure(FileResult::Error::CannotOpen,
                   "Cannot open " + fullPath + ": not a regular file (a pipe, a device or a folder).");
}

// Opens `fullPath` for reading and checks that it can be a document; on
// failure `result` says why and the returned file is null. Anything but a
// regular file is refused before it is opened, and opened without waiting,
// so that a pipe or a device can neither block the program nor be disturbed
// by it.
std::unique_ptr<std::FILE, FileCloser> OpenForReading(const std::string& fullPath,
                                                      std::uint64_t& size, FileResult& result)
{
    struct stat st {};
    if (::stat(fullPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        result = NotRegular(fullPath);
        return nullptr;
    }
    const int fd = ::open(fullPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result = Failure(FileResult::Error::CannotOpen,
                         "Cannot open " + fullPath + ": " + std::strerror(errno) + ".");
        return nullptr;
    }
    std::unique_ptr<std::FILE, FileCloser> file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        result = Failure(FileResult::Error::CannotOpen,
                         "Cannot open " + fullPath + ": " + std::strerror(errno) + ".");
        return nullptr;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = NotRegular(fullPath);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    size = static_cast<std::uint64_t>(st.st_size);
    return file;
}

// Runs `read` and turns a refused stream into the message the user sees.
template <typename Read>
FileResult Guarded(const std::string& fullPath, Read read)
{
    try {
        read();
    } catch (const UnknownVersionError& e) {
        return Failure(FileResult::Error::UnknownVersion, fullPath + ": " + e.what() + ".");
    } catch (const ArchiveError& e) {
        return Failure(FileResult::Error::BadFormat,
                       std::string(kUnexpectedFormat) + "\n" + fullPath + ": " + e.what() + ".");
    } catch (const std::bad_alloc&) {
        return Failure(FileResult::Error::OutOfMemory,
                       "Not enough memory to open " + fullPath +
                           ": the document needs more memory than this computer has.");
    }
    return {};
}

// What a file of length 0 reads as: a document without entries.
const std::string kEmptyDocument("\x00\x00\x0B\x01\x08" "010b0000" "\x00\x00\x00\x00", 17);

// Reads the file through Serialize; the document changes only on success,
// and then knows the file as it was read.
FileResult ReadInto(COvrinDoc& doc, const std::string& fullPath)
{
    FileResult result;
    std::uint64_t size = 0;
    auto file = OpenForReading(fullPath, size, result);
    if (!file)
        return result;
    const FileStamp stamp = StampOf(fileno(file.get()));
    ContentDigest digest;
    result = Guarded(fullPath, [&] {
        if (size == 0) {
            CArchive ar(kEmptyDocument, fullPath);
            doc.Serialize(ar);
            return;
        }
        CArchive ar(file.get(), size, fullPath);
        ar.SetReadObserver([&digest](std::string_view piece) { digest.Add(piece); });
        doc.Serialize(ar);
    });
    if (!result.ok)
        return result;
    // The digest covers the whole file, bytes after the last entry too.
    std::string rest(1 << 16, '\0');
    while (const std::size_t n = std::fread(rest.data(), 1, rest.size(), file.get()))
        digest.Add(std::string_view(rest.data(), n));
    doc.m_knownFile = KnownFile();
    doc.m_knownFile.path = fullPath;
    doc.m_knownFile.stamp = stamp;
    doc.m_knownFile.digest = digest.Value();
    return result;
}

// The bytes of a file, read once into memory. The command-line tools scan
// them in place without copying any text. They are read rather than mapped:
// a mapped file that someone truncates kills the reader with SIGBUS, a read
// one merely comes up short, which is reported. The memory is asked for in
// huge pages where the system offers them, which makes reading a large file
// faster than mapping it; each small page would otherwise cost a fault.
class FileBytes final {
public:
    FileBytes(std::FILE* file, std::uint64_t size) : m_nSize(size)
    {
        constexpr std::size_t kHuge = 2 << 20;
        m_nMapped = (size + kHuge - 1) / kHuge * kHuge + kHuge;
        void* p = ::mmap(nullptr, m_nMapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        m_pMapped = p;
        m_pData = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(p) + kHuge - 1) & ~(kHuge - 1));
        ::madvise(m_pData, m_nMapped - kHuge, MADV_HUGEPAGE);
        const int fd = fileno(file);
        std::uint64_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd, m_pData + got, size - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_nError = errno;
                return;
            }
            if (n == 0)
                break;
            got += static_cast<std::uint64_t>(n);
        }
        m_bComplete = got == size;
    }
    ~FileBytes() { ::munmap(m_pMapped, m_nMapped); }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Empty unless the reading failed or the file shrank meanwhile.
    std::string Problem() const
    {
        if (m_nError != 0)
            return std::strerror(m_nError);
        return m_bComplete ? std::string() : "the file became shorter while it was read";
    }
    std::string_view bytes() const { return std::string_view(m_pData, m_nSize); }

private:
    void* m_pMapped = nullptr;
    std::size_t m_nMapped = 0;
    char* m_pData = nullptr;
    std::uint64_t m_nSize = 0;
    int m_nError = 0;
    bool m_bComplete = false;
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
        // one; any other failure (no access, a foreign version, too little
        // memory) changes nothing.
        if (result.error == FileResult::Error::BadFormat)
            doc.OnNewDocument();
        return result;
    }
    doc.SetPathName(fullPath);
    doc.SetModifiedFlag(false);
    return result;
}

bool FitsInDocument(std::uint64_t length) { return length <= UINT32_MAX; }

WriteConsent ConsentToWrite(COvrinDoc& doc, const std::string& path, bool offerSaveAs)
{
    KnownFile& known = doc.m_knownFile;
    if (known.path.empty() || known.path != path)
        return WriteConsent::Write;
    FileStamp now;
    const FileChange change = ChangeSince(known, now);
    if (change == FileChange::None)
        return WriteConsent::Write;
    if (!offerSaveAs && known.keptOther == now)
        return WriteConsent::Keep;
    switch (doc.Host().AskAboutChangedFile(path, change == FileChange::Vanished, offerSaveAs)) {
    case ChangedFileAnswer::Overwrite:
        return change == FileChange::Vanished ? WriteConsent::Recreate : WriteConsent::Write;
    case ChangedFileAnswer::SaveAs:
        if (offerSaveAs)
            return WriteConsent::SaveAs;
        break;
    case ChangedFileAnswer::Keep:
        break;
    }
    known.keptOther = now;
    return WriteConsent::Keep;
}

FileChange NewChangeByOthers(COvrinDoc& doc)
{
    KnownFile& known = doc.m_knownFile;
    if (known.path.empty())
        return FileChange::None;
    FileStamp now;
    const FileChange change = ChangeSince(known, now);
    if (change == FileChange::None || known.toldOther == now)
        return FileChange::None;
    known.toldOther = now;
    return change;
}

bool WriteDocumentStream(COvrinDoc& doc, const std::string& path, std::string& error,
                         WhenMissing whenMissing)
{
    for (const CStringArray* texts : {&doc.m_arrKeyWords, &doc.m_arrDescriptions, &doc.m_arrDates}) {
        for (const std::string_view text : *texts) {
            if (!FitsInDocument(StoredLength(text))) {
                error = "a text of " + std::to_string(text.size()) +
                        " bytes is longer than a document can hold (4 GiB)";
                return false;
            }
        }
    }
    // The stream goes to the file through one small buffer: building a
    // document of many megabytes whole in fresh memory first made a save
    // several times slower than writing its bytes.
    constexpr std::size_t kChunk = 1 << 20;
    const auto stored = [](std::string_view s) { return StoredSize(s); };
    const auto size = [&doc, stored] {
        std::uint64_t n = 17;
        for (int i = 0; i < doc.m_nCount; ++i)
            n += stored(doc.m_arrKeyWords[i]) + stored(doc.m_arrDescriptions[i]) + stored(doc.m_arrDates[i]);
        return n;
    };
    ContentDigest digest;
    const ContentWriter write = [&doc, &digest](int fd) {
        digest.Reset();
        std::string buffer;
        buffer.reserve(kChunk + 16);
        bool ok = true;
        off_t written = 0;
        const auto sink = [&](std::string_view piece) {
            digest.Add(piece);
            ok = ok && WriteAllTo(fd, piece);
            // The chunk goes to the disk now, while the next one is made, so
            // the sync at the end waits for less. Only a hint: where it is
            // not supported the sync does all of it.
            if (ok)
                ::sync_file_range(fd, written, static_cast<off_t>(piece.size()), SYNC_FILE_RANGE_WRITE);
            written += static_cast<off_t>(piece.size());
        };
        CArchive ar(buffer, sink, kChunk);
        doc.Serialize(ar);
        ar.Flush();
        return ok;
    };
    if (!ReplaceFileContents(path, size, write, error, whenMissing))
        return false;
    doc.m_knownFile = KnownFile();
    doc.m_knownFile.path = path;
    doc.m_knownFile.stamp = StampOf(path);
    doc.m_knownFile.digest = digest.Value();
    return true;
}

FileResult SaveDocumentFile(COvrinDoc& doc, const std::string& path)
{
    const std::string fullPath = FullPath(path);
    switch (ConsentToWrite(doc, fullPath, true)) {
    case WriteConsent::Keep:
        return Failure(FileResult::Error::Cancelled, std::string());
    case WriteConsent::SaveAs:
        return Failure(FileResult::Error::NameWanted, std::string());
    case WriteConsent::Write:
    case WriteConsent::Recreate:
        break;
    }
    std::string error;
    if (!WriteDocumentStream(doc, fullPath, error, WhenMissing::Create))
        return Failure(FileResult::Error::CannotWrite, "Cannot save " + fullPath + ": " + error + ".");
    // From now on "Save immediate" writes to the file the window names.
    doc.m_strFilePath = fullPath;
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
    if (size == 0)
        return {};
    std::unique_ptr<FileBytes> read;
    result = Guarded(fullPath, [&] { read = std::make_unique<FileBytes>(file.get(), size); });
    if (!result.ok)
        return result;
    if (const std::string problem = read->Problem(); !problem.empty())
        return Failure(FileResult::Error::CannotOpen, "Cannot read " + fullPath + ": " + problem + ".");

    // The first pass only checks the stream, so that nothing is visited from
    // a file that turns out to be damaged further on; it notes where the
    // runs begin and end on the way.
    const std::string_view bytes = read->bytes();
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
            stream.SkipEntry();
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
