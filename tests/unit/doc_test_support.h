// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "doc/ovrin_doc.h"
#include "fake_host.h"

// Fills the table directly, in the order given, as a load would: no sorting,
// the first entry current, each description "d:" + its key words.
inline void FillTable(COvrinDoc& doc, const std::vector<std::string>& keyWords)
{
    doc.m_arrKeyWords = keyWords;
    doc.m_arrDescriptions.clear();
    doc.m_arrDates.clear();
    for (const std::string& k : keyWords) {
        doc.m_arrDescriptions.push_back("d:" + k);
        doc.m_arrDates.push_back("1.1.2000");
    }
    doc.m_nCount = static_cast<int>(keyWords.size());
    doc.m_nCurrent = keyWords.empty() ? -1 : 0;
    ++doc.m_nTableVersion;
}

// The three entry arrays and the three undo arrays each keep their count.
inline bool ArraysConsistent(const COvrinDoc& doc)
{
    if (doc.m_arrDescriptions.size() != static_cast<size_t>(doc.m_nCount) ||
        doc.m_arrDates.size() != static_cast<size_t>(doc.m_nCount) ||
        doc.m_arrKeyWords.size() != static_cast<size_t>(doc.m_nCount))
        return false;
    return doc.m_arrUndoKeyWords.size() == static_cast<size_t>(doc.m_nUndoCount) &&
           doc.m_arrUndoDescriptions.size() == static_cast<size_t>(doc.m_nUndoCount) &&
           doc.m_arrUndoDates.size() == static_cast<size_t>(doc.m_nUndoCount);
}
