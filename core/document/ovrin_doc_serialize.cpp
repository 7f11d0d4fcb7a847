// SPDX-License-Identifier: MIT
// The ".ovr" stream: version "010b0000" written and read, "010a0000" read.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>

#include "core/file/archive.h"
#include "core/document/document_host.h"
#include "core/file/entry_stream.h"
#include "platform/memory_budget.h"
#include "core/document/ovrin_doc.h"

namespace {

const std::string kInvalidDocument = "Ungültiges Dokument";

// How many entries are read between two checks of the memory they take.
constexpr int kBatch = 1 << 16;

}  // namespace

void COvrinDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        WriteEntryStreamHead(ar, static_cast<std::uint32_t>(m_nEntries));
        for (std::size_t i = 0; i < static_cast<std::size_t>(m_nEntries); ++i)
            for (const CStringArray* texts : {&KeyWords(), &Descriptions(), &Dates()})
                ar.WriteString((*texts)[i], texts->HeldAsUtf16(i));
        return;
    }

    EntryTable table = ReadTable(ar);
    m_strFilePath = ar.GetFilePath();
    ReplaceTable(std::move(table));
}

EntryTable COvrinDoc::ReadTable(CArchive& ar)
{
    CEntryStream stream(ar);
    if (!stream.IsKnownVersion()) {
        // The file may be a newer version that someone else wrote: the
        // document keeps its entries, its name and its file.
        ShowHint(kInvalidDocument);
        throw UnknownVersionError();
    }

    // Read into new arrays first: a file that ends early throws, and the
    // table then is still the one the document had. The texts are copied
    // or converted once, from the file's bytes into the arrays' blocks. Memory grows with
    // the entries actually read; a table that cannot fit is refused before
    // it is read, or as soon as it outgrows the budget.
    const int n = stream.Count();
    const std::uint64_t budget = MemoryBudget();
    const std::uint64_t perEntry = 3 * TableStringFootprint(std::string_view());
    if (static_cast<std::uint64_t>(n) * perEntry > budget)
        throw std::bad_alloc();
    EntryTable table;
    CStringArray& keyWords = table.keyWords;
    CStringArray& descriptions = table.descriptions;
    CStringArray& dates = table.dates;
    const std::string today = stream.HasDates() ? std::string() : FormatEntryDate(m_host.Today());
    for (int first = 0; first < n;) {
        const int end = n - first > kBatch ? first + kBatch : n;
        for (int i = first; i < end; ++i) {
            stream.AppendEntryTo(keyWords, descriptions, dates);
            if (!stream.HasDates())
                dates.push_back(today);
        }
        if (keyWords.Footprint() + descriptions.Footprint() + dates.Footprint() > budget)
            throw std::bad_alloc();
        first = end;
    }
    return table;
}
