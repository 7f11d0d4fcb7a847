// SPDX-License-Identifier: MIT
#include "core/file/entry_stream.h"

#include <cstdint>

#include "core/file/archive.h"

namespace {

constexpr std::uint32_t kVersionA = 0x010A0000;

}  // namespace

void WriteEntryStreamHead(CArchive& ar, std::uint32_t count)
{
    ar.WriteUInt32(kOvrVersion);
    ar.WriteString(kOvrVersionText);
    ar.WriteUInt32(count);
}

CEntryStream::CEntryStream(CArchive& ar) : m_ar(ar)
{
    const std::uint32_t version = ar.ReadUInt32();
    const std::string versionText = ar.ReadString();
    const bool isB = version == kOvrVersion && versionText == kOvrVersionText;
    const bool isA = version == kVersionA && versionText == "010a0000";
    m_bKnown = isB || isA;
    m_bDates = isB;
    if (!m_bKnown)
        return;
    // A damaged count is refused before anyone allocates for it: each
    // string takes at least its one-byte prefix.
    const auto n = static_cast<std::int32_t>(ar.ReadUInt32());
    if (n < 0)
        throw ArchiveError("the entry count is negative");
    if (static_cast<std::uint64_t>(n) * (m_bDates ? 3 : 2) > ar.Remaining())
        throw ArchiveError("the entry count is larger than the file can hold");
    m_nCount = n;
}

CEntryStream::CEntryStream(CArchive& ar, bool hasDates, int count)
    : m_ar(ar), m_bKnown(true), m_bDates(hasDates), m_nCount(count)
{
}

CEntryStream::Entry CEntryStream::ReadEntry()
{
    Entry entry;
    entry.keyWords = m_ar.ReadStringView(m_spill[0], &entry.heldAsUtf16[0]);
    entry.description = m_ar.ReadStringView(m_spill[1], &entry.heldAsUtf16[1]);
    if (m_bDates)
        entry.date = m_ar.ReadStringView(m_spill[2], &entry.heldAsUtf16[2]);
    return entry;
}

void CEntryStream::SkipEntry()
{
    m_ar.SkipString();
    m_ar.SkipString();
    if (m_bDates)
        m_ar.SkipString();
}

void CEntryStream::AppendEntryTo(CStringArray& keyWords, CStringArray& descriptions, CStringArray& dates)
{
    m_ar.AppendStringTo(keyWords);
    m_ar.AppendStringTo(descriptions);
    if (m_bDates)
        m_ar.AppendStringTo(dates);
}

CArchive::StoredText CEntryStream::ReadStoredKeyWords()
{
    const CArchive::StoredText keyWords = m_ar.ReadStoredText();
    m_ar.SkipString();
    if (m_bDates)
        m_ar.SkipString();
    return keyWords;
}

void CEntryStream::ReadEntry(std::string& keyWords, std::string& description, std::string& date)
{
    m_ar.ReadString(keyWords);
    m_ar.ReadString(description);
    if (m_bDates)
        m_ar.ReadString(date);
}
