// SPDX-License-Identifier: MIT
#include "core/document/entry_table.h"

#include <algorithm>
#include <utility>

#include <xxhash.h>

std::uint64_t EntryDigest(const EntryTexts& entry)
{
    std::uint64_t digest = 0;
    for (const std::string_view text : {entry.date, entry.description, entry.keyWords})
        digest = XXH3_64bits_withSeed(text.data(), text.size(), digest);
    return digest;
}

EntryTexts EntryAt(const EntryTable& table, std::size_t i)
{
    return {table.keyWords[i], table.descriptions[i], table.dates[i]};
}

bool operator==(const EntryTexts& a, const EntryTexts& b)
{
    return a.keyWords == b.keyWords && a.description == b.description && a.date == b.date;
}

int FindKeyWords(const EntryTable& table, std::string_view keyWords)
{
    for (std::size_t i = 0; i < table.keyWords.size(); ++i)
        if (table.keyWords[i] == keyWords)
            return static_cast<int>(i);
    return -1;
}

std::vector<bool> HeldIn(const EntryTable& entries, const EntryTable& table)
{
    // The table's entries by digest: one look-up an entry, with any number
    // of equal key words.
    std::vector<std::pair<std::uint64_t, std::size_t>> held(table.keyWords.size());
    for (std::size_t i = 0; i < held.size(); ++i)
        held[i] = {EntryDigest(EntryAt(table, i)), i};
    std::sort(held.begin(), held.end());
    std::vector<bool> out(entries.keyWords.size());
    for (std::size_t j = 0; j < out.size(); ++j) {
        const EntryTexts entry = EntryAt(entries, j);
        const std::uint64_t digest = EntryDigest(entry);
        for (auto it = std::lower_bound(held.begin(), held.end(), std::pair{digest, std::size_t{0}});
             it != held.end() && it->first == digest && !out[j]; ++it)
            out[j] = EntryAt(table, it->second) == entry;
    }
    return out;
}

int CountNotIn(const EntryTable& a, const EntryTable& b)
{
    const std::vector<bool> held = HeldIn(a, b);
    return static_cast<int>(std::count(held.begin(), held.end(), false));
}

void ApplyChange(EntryTable& table, const TableChange& change, const EntryTexts& texts)
{
    CStringArray* const arrays[] = {&table.keyWords, &table.descriptions, &table.dates};
    const std::string_view fields[] = {texts.keyWords, texts.description, texts.date};
    const auto at = static_cast<CStringArray::size_type>(change.entry);
    switch (change.kind) {
    case TableChange::Kind::Inserted:
        for (int f = 0; f < 3; ++f)
            arrays[f]->Insert(at, fields[f]);
        break;
    case TableChange::Kind::Removed:
        for (CStringArray* arr : arrays)
            arr->Erase(at);
        break;
    case TableChange::Kind::Rewritten: {
        const auto from = static_cast<CStringArray::size_type>(change.from);
        for (int f = 0; f < 3; ++f) {
            if (!(f == 1 && change.keptDescription))
                arrays[f]->Set(from, fields[f]);
            arrays[f]->Move(from, at);
        }
        break;
    }
    case TableChange::Kind::Replaced:
        break;
    }
}
