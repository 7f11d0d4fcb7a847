// SPDX-License-Identifier: MIT
// File/Merge: another document's entries brought into this one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/document/ovrin_doc.h"

#include "core/document/document_host.h"

namespace {

// Up to this many entries come in one at a time, each a change the views and
// the recovery record follow as they follow Add. More come in as one new
// table: each insertion shifts the whole table and is synced to the record
// on its own, which costs minutes for thousands of entries.
constexpr std::size_t kOneAtATime = 32;

void Append(EntryTable& to, const EntryTable& from, std::size_t i)
{
    to.keyWords.push_back(from.keyWords[i], from.keyWords.HeldAsUtf16(i));
    to.descriptions.push_back(from.descriptions[i], from.descriptions.HeldAsUtf16(i));
    to.dates.push_back(from.dates[i], from.dates.HeldAsUtf16(i));
}

}  // namespace

MergeCounts COvrinDoc::MergeEntries(const EntryTable& other)
{
    const std::vector<bool> here = HeldIn(other, m_table);
    std::vector<std::size_t> coming;
    for (std::size_t j = 0; j < other.keyWords.size(); ++j)
        if (!here[j])
            coming.push_back(j);
    const MergeCounts counts{static_cast<int>(coming.size()),
                             static_cast<int>(other.keyWords.size() - coming.size())};
    if (coming.empty())
        return counts;
    // Entries of equal key words keep the other document's order.
    std::stable_sort(coming.begin(), coming.end(), [&other](std::size_t a, std::size_t b) {
        return CompareKeyWords(other.keyWords[a], other.keyWords[b]) < 0;
    });

    const bool wasEmpty = m_nEntries == 0;
    SetModifiedFlag(true);
    if (coming.size() <= kOneAtATime) {
        for (const std::size_t j : coming) {
            const int at = SortCurrentEntry({other.keyWords[j], other.descriptions[j], other.dates[j]}, -1);
            if (m_nCurrent >= at)
                ++m_nCurrent;
        }
    } else {
        // One pass of a merge puts each coming entry in front of the first
        // entry with greater key words, as SortCurrentEntry does one at a
        // time, also in a table that is not in key-word order.
        EntryTable merged;
        const std::size_t total = static_cast<std::size_t>(m_nEntries) + coming.size();
        for (CStringArray* texts : {&merged.keyWords, &merged.descriptions, &merged.dates})
            texts->reserve(total);
        int current = -1;
        std::size_t c = 0;
        for (int i = 0; i < m_nEntries; ++i) {
            const std::string_view keyWords = m_table.keyWords[static_cast<std::size_t>(i)];
            for (; c < coming.size() && CompareKeyWords(other.keyWords[coming[c]], keyWords) < 0; ++c)
                Append(merged, other, coming[c]);
            if (i == m_nCurrent)
                current = static_cast<int>(merged.keyWords.size());
            Append(merged, m_table, static_cast<std::size_t>(i));
        }
        for (; c < coming.size(); ++c)
            Append(merged, other, coming[c]);
        TableChange change{TableChange::Kind::Replaced};
        change.merged = true;
        ChangeTable(change, {}, &merged);
        m_nCurrent = current;
    }
    if (wasEmpty || m_nCurrent < 0 || m_nCurrent >= m_nEntries)
        m_nCurrent = 0;
    EndTableChange();
    return counts;
}

void COvrinDoc::TakeMergedTable(EntryTable merged)
{
    const std::string keyWords =
        m_nCurrent >= 0 && m_nCurrent < m_nEntries ? std::string(m_table.keyWords[m_nCurrent]) : std::string();
    const int near = m_nCurrent;
    TableChange change{TableChange::Kind::Replaced};
    change.merged = true;
    change.ontoOtherVersion = true;
    ChangeTable(change, {}, &merged);
    const int found = FindKeyWords(m_table, keyWords);
    m_nCurrent = found >= 0 ? found : std::min(std::max(near, 0), m_nEntries - 1);
    SetModifiedFlag(true);
    m_host.CurrentEntryChanged();
}
