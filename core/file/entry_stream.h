// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/file/archive.h"

// The version this program writes; "010a0000" is read as well.
inline constexpr std::uint32_t kOvrVersion = 0x010B0000;
inline constexpr char kOvrVersionText[] = "010b0000";

// A stream of a version this program does not know (perhaps a newer one):
// the document that read it is left exactly as it was.
class UnknownVersionError final : public std::runtime_error {
public:
    UnknownVersionError() : std::runtime_error("not an Ovrin document (unknown version)") {}
};

// Writes what comes before the entries of a stream of this program's
// version: the version and the count of entries.
void WriteEntryStreamHead(CArchive& ar, std::uint32_t count);

// The entries of a loading ".ovr" stream, read one at a time. The document
// reads its table through it, and the command-line tools walk a file with it
// without building a table at all.
class CEntryStream final {
public:
    // Reads the version and, for a version this program knows, the count;
    // a count the rest of the stream cannot hold throws ArchiveError.
    explicit CEntryStream(CArchive& ar);
    // The `count` entries of a run cut from a stream that was read through
    // once already (see ReadDocumentRuns): no version, no count before them.
    CEntryStream(CArchive& ar, bool hasDates, int count);

    // "010b0000" or "010a0000"; anything else is not a document.
    bool IsKnownVersion() const { return m_bKnown; }
    // Version "010b0000" stores a date with every entry, "010a0000" none.
    bool HasDates() const { return m_bDates; }
    int Count() const { return m_nCount; }

    // The texts of one entry as views that stay valid until the next read
    // (see CArchive::ReadStringView). `date` is empty without dates.
    struct Entry {
        std::string_view keyWords, description, date;
        // Whether the file held each of them in its UTF-16 form.
        bool heldAsUtf16[3] = {false, false, false};
    };
    Entry ReadEntry();
    // Passes over one entry, converting none of its texts (from memory).
    void SkipEntry();
    // Appends the texts of one entry to the arrays, each converted straight
    // into the array's storage; `dates` is left alone without dates.
    void AppendEntryTo(CStringArray& keyWords, CStringArray& descriptions, CStringArray& dates);
    // The key words of one entry as the file holds them (see
    // CArchive::ReadStoredText), passing over the rest (from memory).
    CArchive::StoredText ReadStoredKeyWords();
    // The same into strings the caller owns; `date` is left alone without dates.
    void ReadEntry(std::string& keyWords, std::string& description, std::string& date);

private:
    CArchive& m_ar;
    bool m_bKnown = false;
    bool m_bDates = false;
    int m_nCount = 0;
    std::string m_spill[3];
};
