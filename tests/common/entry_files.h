// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "doc/document_file.h"
#include "doc/ovrin_doc.h"

// One entry as the tests write it into a document file.
struct Entry {
    std::string keyWords;
    std::string description;
    std::string date = "1.1.2026";
    bool operator==(const Entry&) const = default;
};

// Saves the entries, in the order given, as the document file `path`.
inline FileResult WriteEntries(const std::string& path, const std::vector<Entry>& entries)
{
    CCliHost host;  // asks nothing, stores nothing
    COvrinDoc doc(host);
    for (const Entry& e : entries) {
        doc.m_arrKeyWords.push_back(e.keyWords);
        doc.m_arrDescriptions.push_back(e.description);
        doc.m_arrDates.push_back(e.date);
    }
    doc.m_nCount = static_cast<int>(entries.size());
    doc.m_nCurrent = entries.empty() ? -1 : 0;
    return SaveDocumentFile(doc, path);
}
