// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to everything that reads a stored document: the
// loader of the window, the entry walk and the export of the command-line
// tools, and a save-and-reload round trip; and, from a real file, the
// window's open and the tools' walk, which must agree. The same input also
// becomes the code units of a document of UTF-16 texts, which must save
// back to its own bytes. (The two UTF-8
// converters are compared byte by byte at every place in a unit test.)
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/recutils_export.h"
#include "core/file/archive.h"
#include "core/file/document_file.h"
#include "core/file/entry_walk.h"
#include "core/file/entry_stream.h"
#include "core/document/ovrin_doc.h"
#include "fake_host.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// The bytes as a file: an in-memory file that the loaders open by path.
const std::string& FileOf(std::string_view bytes)
{
    static const int fd = ::memfd_create("fuzz.ovr", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    Require(fd >= 0 && ::ftruncate(fd, 0) == 0);
    Require(::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
    return path;
}

// File/Open and the command-line walk take and refuse the same files, and
// see the same entries (the loader dates undated entries with today).
void CompareFileLoaders(std::string_view bytes)
{
    const std::string& path = FileOf(bytes);
    FakeHost host;
    COvrinDoc doc(host);
    const FileResult opened = OpenDocumentFile(doc, path);
    std::vector<std::string> keys, descriptions, dates;
    const FileResult walked =
        ReadDocumentEntries(path, [&](int, std::string_view k, std::string_view d, std::string_view t) {
            keys.emplace_back(k);
            descriptions.emplace_back(d);
            dates.emplace_back(t);
        });
    Require(opened.ok == (walked.ok || bytes.empty()));
    if (!opened.ok) {
        Require(opened.error == FileResult::Error::BadFormat ||
                opened.error == FileResult::Error::UnknownVersion);
        return;
    }
    Require(doc.GetPathName() == path && doc.FilePath() == path && !doc.IsModified());
    Require(static_cast<std::size_t>(doc.Count()) == keys.size());
    for (int i = 0; i < doc.Count(); ++i) {
        Require(doc.KeyWords()[i] == keys[i] && doc.Descriptions()[i] == descriptions[i]);
        Require(dates[i].empty() || doc.Dates()[i] == dates[i]);
    }
}

// A document stream whose texts are all in the file's UTF-16 form, their
// code units taken from `bytes` (a length byte, then up to 9 units), so that
// lone surrogates, pairs and characters of every script reach the readers,
// the export and the writer however the input begins.
std::string Utf16Document(std::string_view bytes)
{
    std::string texts;
    int count = 0;
    for (std::size_t at = 0; at < bytes.size(); ++count) {
        const std::size_t units = std::min<std::size_t>(static_cast<unsigned char>(bytes[at++]) % 10,
                                                        (bytes.size() - at) / 2);
        texts += std::string("\xFF\xFE\xFF", 3) + static_cast<char>(units);
        texts += bytes.substr(at, 2 * units);
        at += 2 * units;
    }
    const int entries = count / 3;
    const std::string counted(reinterpret_cast<const char*>(&entries), 4);  // little-endian
    std::string header("\x00\x00\x0B\x01\x08" "010b0000", 13);
    std::size_t end = 0;
    for (int i = 0; i < 3 * entries; ++i)
        end += 4 + static_cast<unsigned char>(texts[end + 3]) * 2;
    return header + counted + texts.substr(0, end);
}

// Runs every reader on `bytes`; `exact`: the bytes are what the writer
// itself would write for the table they hold.
void Check(std::string_view bytes, bool exact);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes, false);
    Check(Utf16Document(bytes), true);
    return 0;
}

namespace {

void Check(std::string_view bytes, bool exact)
{
    CompareFileLoaders(bytes);

    // The walk either reads every entry or refuses the stream; the entries
    // it read export as one run into a buffer of exactly the room reserved,
    // where the sanitizer sees any write past it.
    try {
        CArchive ar(bytes, "fuzz.ovr");
        CEntryStream stream(ar);
        if (stream.IsKnownVersion()) {
            const std::size_t start = bytes.size() - ar.Remaining();
            for (int i = 0; i < stream.Count(); ++i) stream.ReadEntry();
            const std::size_t end = bytes.size() - ar.Remaining();
            const EntryRun run{0, stream.Count(), stream.HasDates(), bytes.substr(start, end - start)};
            std::size_t written = 0;
            std::vector<int> inexact;
            ExportRecutilsRuns({run}, 1, [&](std::string_view piece) { written += piece.size(); }, inexact);
            Require(stream.Count() == 0 || written > 0);
        }
    } catch (const ArchiveError&) {
    }

    // A stream the loader takes saves and loads back to the same table.
    FakeHost host;
    COvrinDoc doc(host);
    try {
        CArchive ar(bytes, "fuzz.ovr");
        doc.Serialize(ar);
    } catch (const ArchiveError&) {
        Require(!exact);
        return;
    } catch (const UnknownVersionError&) {
        Require(!exact);
        return;
    }
    std::string saved;
    CArchive out(saved);
    doc.Serialize(out);
    // Texts of the UTF-16 form are written back in it, unit for unit.
    Require(!exact || saved == bytes);
    COvrinDoc again(host);
    CArchive in(saved, "again.ovr");
    again.Serialize(in);
    Require(again.Count() == doc.Count());
    Require(again.KeyWords() == doc.KeyWords());
    Require(again.Descriptions() == doc.Descriptions());
    Require(again.Dates() == doc.Dates());
}

}  // namespace
