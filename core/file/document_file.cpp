// SPDX-License-Identifier: MIT
#include "core/file/document_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>

#include "core/file/archive.h"
#include "core/document/document_host.h"
#include "core/file/entry_stream.h"
#include "core/document/ovrin_doc.h"
#include "core/recovery/recovery_record.h"
#include "platform/file_system.h"
#include "platform/known_file.h"
#include "platform/safe_file.h"

namespace {

const char kUnexpectedFormat[] = "Unexpected file format.";
// How often a save looks again at a file that changed while it was written.
constexpr int kWriteRounds = 4;

FileResult Failure(FileResult::Error error, std::string message)
{
    return FileResult{false, error, std::move(message)};
}

}  // namespace

std::string DocumentFullPath(const std::string& path)
{
    std::string full = path;
    if (path.empty() || path.front() != '/') {
        // A folder too deep to name whole stays relative: the file is
        // reached from the current folder.
        std::error_code ec;
        const std::string cwd = std::filesystem::current_path(ec).string();
        if (ec || cwd.size() + path.size() >= PATH_MAX)
            return path;
        full = cwd + "/" + path;
    }
    // "." and doubled slashes go; ".." stays, since after a link it leads
    // into the folder the link points to, not back to the one that holds
    // it.
    std::string clean;
    std::size_t at = 0;
    while (at < full.size()) {
        std::size_t end = full.find('/', at);
        if (end == std::string::npos)
            end = full.size();
        const std::string_view part(full.data() + at, end - at);
        if (!part.empty() && part != ".")
            clean.append("/").append(part);
        at = end + 1;
    }
    return clean.empty() ? "/" : clean;
}

namespace {

FileResult NotRegular(const std::string& fullPath)
{
    return Failure(FileResult::Error::CannotOpen,
                   "Cannot open " + fullPath + ": not a regular file (a pipe, a device or a folder).");
}

}  // namespace

// Anything but a regular file is refused before it is opened, and opened
// without waiting, so that a pipe or a device can neither block the program
// nor be disturbed by it.
ReadingFile OpenDocumentForReading(const std::string& fullPath, std::uint64_t& size, FileResult& result)
{
    OpenFailure why = OpenFailure::None;
    int error = 0;
    std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFileForReading(fullPath, size, why, error));
    if (why == OpenFailure::NotRegular)
        result = NotRegular(fullPath);
    else if (why == OpenFailure::System)
        result = Failure(FileResult::Error::CannotOpen,
                         "Cannot open " + fullPath + ": " + std::strerror(error) + ".");
    return file;
}

FileResult GuardedRead(const std::string& fullPath, const std::function<void()>& read)
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

namespace {

// What a file of length 0 reads as: a document without entries.
const std::string kEmptyDocument("\x00\x00\x0B\x01\x08" "010b0000" "\x00\x00\x00\x00", 17);

// Runs `read` on an archive over the open file, which a file of length 0
// reads as a document without entries; `observe` sees the file's bytes.
FileResult ReadStream(std::FILE* file, std::uint64_t size, const std::string& fullPath,
                      const std::function<void(CArchive&)>& read,
                      std::function<void(std::string_view)> observe = {})
{
    return GuardedRead(fullPath, [&] {
        if (size == 0) {
            CArchive ar(kEmptyDocument, fullPath);
            read(ar);
            return;
        }
        CArchive ar(file, size, fullPath);
        if (observe)
            ar.SetReadObserver(std::move(observe));
        read(ar);
    });
}

// Reads the file through `read` and tells it as it was read: its stamp and
// the digest of all its bytes.
FileResult ReadVersion(const std::string& fullPath, const std::function<void(CArchive&)>& read, KnownFile& known)
{
    FileResult result;
    std::uint64_t size = 0;
    auto file = OpenDocumentForReading(fullPath, size, result);
    if (!file)
        return result;
    const FileStamp stamp = StampOf(fileno(file.get()));
    ContentDigest digest;
    result = ReadStream(file.get(), size, fullPath, read, [&digest](std::string_view piece) { digest.Add(piece); });
    if (!result.ok)
        return result;
    // The digest covers the whole file, bytes after the last entry too.
    std::string rest(1 << 16, '\0');
    while (const std::size_t n = std::fread(rest.data(), 1, rest.size(), file.get()))
        digest.Add(std::string_view(rest.data(), n));
    known = KnownFile();
    known.path = fullPath;
    known.stamp = stamp;
    known.digest = digest.Value();
    return result;
}

// Reads the file through Serialize; the document changes only on success,
// and then knows the file as it was read.
FileResult ReadInto(COvrinDoc& doc, const std::string& fullPath)
{
    KnownFile known;
    const FileResult result = ReadVersion(fullPath, [&doc](CArchive& ar) { doc.Serialize(ar); }, known);
    if (result.ok)
        doc.KnownFileOnDisk() = std::move(known);
    return result;
}

// The version of the document's file that someone else put there, read into
// a table of its own; the document stays as it is.
FileResult ReadOtherVersion(COvrinDoc& doc, EntryTable& table, KnownFile& known)
{
    return ReadVersion(doc.KnownFileOnDisk().path, [&](CArchive& ar) { table = doc.ReadTable(ar); }, known);
}

}  // namespace

FileResult OpenDocumentFile(COvrinDoc& doc, const std::string& path)
{
    const std::string fullPath = DocumentFullPath(path);
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

FileResult ReloadDocumentFile(COvrinDoc& doc)
{
    EntryTable table;
    KnownFile known;
    const FileResult result = ReadOtherVersion(doc, table, known);
    if (!result.ok)
        return result;
    const int current = doc.Current();
    const int found = current >= 0 ? FindKeyWords(table, doc.KeyWords()[current]) : -1;
    const int count = static_cast<int>(table.keyWords.size());
    doc.ReplaceTable(std::move(table));
    doc.SetCurrent(found >= 0 ? found : std::min(std::max(current, 0), count - 1));
    doc.KnownFileOnDisk() = std::move(known);
    doc.SetModifiedFlag(false);
    return result;
}

FileResult MergeOtherVersion(COvrinDoc& doc, std::string_view record, MergeOutcome& outcome)
{
    EntryTable table;
    KnownFile known;
    const FileResult result = ReadOtherVersion(doc, table, known);
    if (!result.ok)
        return result;
    std::deque<std::string> spills;
    outcome = ReplayOnto(table, RecordedContent(record, spills));
    outcome.cameIn = CountNotIn(table, doc.Table());
    doc.TakeMergedTable(std::move(table));
    doc.KnownFileOnDisk() = std::move(known);
    return result;
}

FileResult MergeDocumentFile(COvrinDoc& doc, const std::string& path, MergeCounts& counts)
{
    const std::string fullPath = DocumentFullPath(path);
    FileResult result;
    std::uint64_t size = 0;
    auto file = OpenDocumentForReading(fullPath, size, result);
    if (!file)
        return result;
    EntryTable other;
    result = ReadStream(file.get(), size, fullPath, [&](CArchive& ar) { other = doc.ReadTable(ar); });
    if (!result.ok)
        return result;
    // Too little memory for the merged table is told as an open tells it;
    // the table is built aside first when many entries come in.
    return GuardedRead(fullPath, [&] { counts = doc.MergeEntries(other); });
}

bool FitsInDocument(std::uint64_t length) { return length <= UINT32_MAX; }

WriteConsent ConsentToWrite(COvrinDoc& doc, const std::string& path, bool offerSaveAs, std::string* failure)
{
    KnownFile& known = doc.KnownFileOnDisk();
    if (known.path.empty() || known.path != path)
        return WriteConsent::Write;
    FileStamp now;
    const FileChange change = ChangeSince(known, now);
    known.writable = now;
    if (change == FileChange::None)
        return WriteConsent::Write;
    known.writable.reset();
    if (!offerSaveAs && known.keptOther == now)
        return WriteConsent::Keep;
    const std::optional<std::string> changes =
        change == FileChange::Changed ? doc.Host().UnsavedChanges() : std::nullopt;
    switch (doc.Host().AskAboutChangedFile(path, change == FileChange::Vanished, offerSaveAs, changes.has_value())) {
    case ChangedFileAnswer::Merge: {
        MergeOutcome outcome;
        const FileResult merged = MergeOtherVersion(doc, *changes, outcome);
        if (!merged.ok) {
            if (failure)
                *failure = merged.message;
            break;
        }
        doc.Host().MergedOtherVersion(outcome);
        // The version merged into is the one the save may replace.
        known.writable = known.stamp;
        return WriteConsent::Write;
    }
    case ChangedFileAnswer::Overwrite:
        known.writable = now;
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
    KnownFile& known = doc.KnownFileOnDisk();
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
                         WhenMissing whenMissing, bool* changedMeanwhile)
{
    for (const CStringArray* texts : {&doc.KeyWords(), &doc.Descriptions(), &doc.Dates()}) {
        for (std::size_t i = 0; i < texts->size(); ++i) {
            const std::string_view text = (*texts)[i];
            if (!FitsInDocument(StoredLength(text, texts->HeldAsUtf16(i)))) {
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
    const auto size = [&doc] {
        std::uint64_t n = 17;
        for (const CStringArray* texts : {&doc.KeyWords(), &doc.Descriptions(), &doc.Dates()})
            for (std::size_t i = 0; i < texts->size(); ++i)
                n += StoredSize((*texts)[i], texts->HeldAsUtf16(i));
        return n;
    };
    ContentDigest digest;
    const ContentWriter write = [&doc, &digest](int fd) {
        digest.Reset();
        std::string buffer;
        buffer.reserve(kChunk + 16);
        bool ok = true;
        std::uint64_t written = 0;
        const auto sink = [&](std::string_view piece) {
            digest.Add(piece);
            ok = ok && WriteAllTo(fd, piece);
            // The chunk goes to the disk now, while the next one is made, so
            // the sync at the end waits for less. Only a hint: where it is
            // not supported the sync does all of it.
            if (ok)
                StartWritingOut(fd, written, piece.size());
            written += piece.size();
        };
        CArchive ar(buffer, sink, kChunk);
        doc.Serialize(ar);
        ar.Flush();
        return ok;
    };
    // Another program may put its version in place while a large document
    // is written: it is looked for again right before the file is replaced.
    const KnownFile& known = doc.KnownFileOnDisk();
    const std::optional<FileStamp> writable = known.path == path ? known.writable : std::nullopt;
    bool changed = false;
    const auto stillWanted = [&] {
        changed = writable && StampOf(path) != *writable;
        return !changed;
    };
    const bool written = ReplaceFileContents(path, size, write, error, whenMissing, stillWanted);
    if (changedMeanwhile)
        *changedMeanwhile = changed;
    if (!written)
        return false;
    doc.KnownFileOnDisk() = KnownFile();
    doc.KnownFileOnDisk().path = path;
    doc.KnownFileOnDisk().stamp = StampOf(path);
    doc.KnownFileOnDisk().digest = digest.Value();
    return true;
}

FileResult SaveDocumentFile(COvrinDoc& doc, const std::string& path)
{
    const std::string fullPath = DocumentFullPath(path);
    std::string error;
    // A version that arrives while the document is written is asked about
    // as one found before; a file that keeps changing is given up on.
    for (int round = 0;; ++round) {
        std::string failure;
        switch (ConsentToWrite(doc, fullPath, true, &failure)) {
        case WriteConsent::Keep:
            if (!failure.empty())
                return Failure(FileResult::Error::CannotOpen, "Nothing was saved: the other version cannot be read, so your changes "
                                           "were not merged into it.\n" + failure);
            return Failure(FileResult::Error::Cancelled, std::string());
        case WriteConsent::SaveAs:
            return Failure(FileResult::Error::NameWanted, std::string());
        case WriteConsent::Write:
        case WriteConsent::Recreate:
            break;
        }
        bool changedMeanwhile = false;
        if (WriteDocumentStream(doc, fullPath, error, WhenMissing::Create, &changedMeanwhile))
            break;
        if (!changedMeanwhile || round == kWriteRounds - 1)
            return Failure(FileResult::Error::CannotWrite, "Cannot save " + fullPath + ": " + error + ".");
    }
    // From now on "Save immediate" writes to the file the window names.
    doc.SetFilePath(fullPath);
    doc.SetPathName(fullPath);
    doc.SetModifiedFlag(false);
    return {};
}
