// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to everything that reads a stored document: the
// loader of the window, the entry walk and the export of the command-line
// tools, a save-and-reload round trip, and both UTF-8 converters.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/recutils_export.h"
#include "doc/archive.h"
#include "doc/cp1252.h"
#include "doc/cp1252_utf8.h"
#include "doc/document_file.h"
#include "doc/entry_stream.h"
#include "doc/ovrin_doc.h"
#include "fake_host.h"

namespace {

void Require(bool condition)
{
    if (!condition) std::abort();
}

// The two converters must agree byte for byte and stop at the same place.
void CompareConverters(std::string_view bytes)
{
    if (!HasVectorCp1252ToUtf8()) return;
    std::string a(3 * bytes.size() + 8, '\0'), b = a;
    char* to = a.data();
    char* tv = b.data();
    const char* end = bytes.data() + bytes.size();
    const char* stopA = WriteCp1252AsUtf8Portable(bytes.data(), end, '\n', to);
    const char* stopB = WriteCp1252AsUtf8Vector(bytes.data(), end, '\n', tv);
    Require(stopA == stopB);
    Require(std::string_view(a.data(), to - a.data()) == std::string_view(b.data(), tv - b.data()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CompareConverters(bytes);

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
        return 0;
    }
    std::string saved;
    CArchive out(saved);
    doc.Serialize(out);
    COvrinDoc again(host);
    CArchive in(saved, "again.ovr");
    again.Serialize(in);
    Require(again.m_nCount == doc.m_nCount);
    Require(again.m_arrKeyWords == doc.m_arrKeyWords);
    Require(again.m_arrDescriptions == doc.m_arrDescriptions);
    Require(again.m_arrDates == doc.m_arrDates);
    return 0;
}
