// SPDX-License-Identifier: MIT
// The ".ovr" stream: version "010b0000" written and read, "010a0000" read.
#include <cstdint>
#include <string>

#include "doc/archive.h"
#include "doc/document_host.h"
#include "doc/entry_stream.h"
#include "doc/ovrin_doc.h"

namespace {

const std::string kInvalidDocument = "Ung\xFCltiges Dokument";

}  // namespace

void COvrinDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteUInt32(kOvrVersion);
        ar.WriteString(kOvrVersionText);
        ar.WriteUInt32(static_cast<std::uint32_t>(m_nCount));
        for (int i = 0; i < m_nCount; ++i) {
            ar.WriteString(m_arrKeyWords[i]);
            ar.WriteString(m_arrDescriptions[i]);
            ar.WriteString(m_arrDates[i]);
        }
        return;
    }

    m_strFilePath = ar.GetFilePath();
    CEntryStream stream(ar);
    if (!stream.IsKnownVersion()) {
        m_strFilePath.clear();
        ShowHint(kInvalidDocument);
        return;
    }

    // Read into new arrays first: a file that ends early throws, and the
    // table then is still the one the document had. The strings go straight
    // into their final places, so a large file is never held twice; all
    // string objects of an array are made before any text, which keeps each
    // array's objects side by side in memory for the scans over the table.
    const int n = stream.Count();
    CStringArray keyWords, descriptions, dates;
    keyWords.resize(n);
    descriptions.resize(n);
    dates.resize(n);
    const std::string today = stream.HasDates() ? std::string() : FormatEntryDate(m_host.Today());
    for (int i = 0; i < n; ++i) {
        stream.ReadEntry(keyWords[i], descriptions[i], dates[i]);
        if (!stream.HasDates())
            dates[i] = today;
    }
    m_arrKeyWords = std::move(keyWords);
    m_arrDescriptions = std::move(descriptions);
    m_arrDates = std::move(dates);
    m_nCount = n;
    ++m_nTableVersion;
    if (n > 0)
        m_nCurrent = 0;
}
