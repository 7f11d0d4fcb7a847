// SPDX-License-Identifier: MIT
#pragma once

// Documents as the tests make them: a table filled in place as a load
// would fill it, or entries saved as a document file.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "core/file/document_file.h"
#include "core/document/ovrin_doc.h"

struct Entry {
    std::string keyWords;
    std::string description;
    std::string date = "1.1.2026";
    bool operator==(const Entry&) const = default;
};

inline EntryTable EntryTableOf(const std::vector<Entry>& entries)
{
    EntryTable table;
    for (const Entry& e : entries) {
        table.keyWords.push_back(e.keyWords);
        table.descriptions.push_back(e.description);
        table.dates.push_back(e.date);
    }
    return table;
}

// The document's entries, in table order.
inline std::vector<Entry> EntriesOf(const COvrinDoc& doc)
{
    std::vector<Entry> out;
    for (int i = 0; i < doc.Count(); ++i)
        out.push_back({std::string(doc.KeyWords()[i]), std::string(doc.Descriptions()[i]),
                       std::string(doc.Dates()[i])});
    return out;
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Fills the table directly, in the order given (no sorting), the first
// entry current.
inline void SetEntries(COvrinDoc& doc, const std::vector<Entry>& entries)
{
    doc.ReplaceTable(EntryTableOf(entries));
}

// The same with only key words; each description is "d:" + its key words.
inline void FillTable(COvrinDoc& doc, const std::vector<std::string>& keyWords)
{
    std::vector<Entry> entries;
    for (const std::string& k : keyWords)
        entries.push_back({k, "d:" + k, "1.1.2000"});
    SetEntries(doc, entries);
}

// Saves the table, in its order, as the document file `path`.
inline FileResult WriteTable(const std::string& path, EntryTable table)
{
    CCliHost host;  // asks nothing, stores nothing
    COvrinDoc doc(host);
    doc.ReplaceTable(std::move(table));
    return SaveDocumentFile(doc, path);
}

// Saves the entries, in the order given, as the document file `path`.
inline FileResult WriteEntries(const std::string& path, const std::vector<Entry>& entries)
{
    return WriteTable(path, EntryTableOf(entries));
}

// The three entry arrays each keep the count.
inline bool ArraysConsistent(const COvrinDoc& doc)
{
    const auto n = static_cast<std::size_t>(doc.Count());
    return doc.KeyWords().size() == n && doc.Descriptions().size() == n && doc.Dates().size() == n;
}
