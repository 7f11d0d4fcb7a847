// SPDX-License-Identifier: MIT
// The ".ovr" stream: version "010b0000" written and read, "010a0000" read.
#include <cstdint>
#include <string>
#include <vector>

#include "doc/archive.h"
#include "doc/document_host.h"
#include "doc/ovrin_doc.h"

namespace {

constexpr std::uint32_t kVersionB = 0x010B0000;
constexpr std::uint32_t kVersionA = 0x010A0000;
const std::string kVersionTextB = "010b0000";
const std::string kVersionTextA = "010a0000";
const std::string kInvalidDocument = "Ung\xFCltiges Dokument";

// Reads the count and refuses one that the rest of the file cannot hold, so
// a damaged count never makes the table allocate. Each string takes at least
// its one-byte prefix.
int ReadCount(CArchive& ar, int stringsPerEntry)
{
    const auto n = static_cast<std::int32_t>(ar.ReadUInt32());
    if (n < 0)
        throw ArchiveError("the entry count is negative");
    if (static_cast<std::uint64_t>(n) * stringsPerEntry > ar.Remaining())
        throw ArchiveError("the entry count is larger than the file can hold");
    return n;
}

}  // namespace

void COvrinDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteUInt32(kVersionB);
        ar.WriteString(kVersionTextB);
        ar.WriteUInt32(static_cast<std::uint32_t>(m_nCount));
        for (int i = 0; i < m_nCount; ++i) {
            ar.WriteString(m_arrKeyWords[i]);
            ar.WriteString(m_arrDescriptions[i]);
            ar.WriteString(m_arrDates[i]);
        }
        return;
    }

    m_strFilePath = ar.GetFilePath();
    const std::uint32_t version = ar.ReadUInt32();
    const std::string versionText = ar.ReadString();
    const bool isB = version == kVersionB && versionText == kVersionTextB;
    const bool isA = version == kVersionA && versionText == kVersionTextA;
    if (!isB && !isA) {
        m_strFilePath.clear();
        ShowHint(kInvalidDocument);
        return;
    }

    // Read into new arrays first: a file that ends early throws, and the
    // table then is still the one the document had.
    const int n = ReadCount(ar, isB ? 3 : 2);
    const std::string today = isA ? FormatEntryDate(m_host.Today()) : std::string();
    std::vector<std::string> keyWords, descriptions, dates;
    keyWords.reserve(n);
    descriptions.reserve(n);
    dates.reserve(n);
    for (int i = 0; i < n; ++i) {
        keyWords.push_back(ar.ReadString());
        descriptions.push_back(ar.ReadString());
        dates.push_back(isB ? ar.ReadString() : today);
    }
    m_arrKeyWords = std::move(keyWords);
    m_arrDescriptions = std::move(descriptions);
    m_arrDates = std::move(dates);
    m_nCount = n;
    ++m_nTableVersion;
    if (n > 0)
        m_nCurrent = 0;
}
