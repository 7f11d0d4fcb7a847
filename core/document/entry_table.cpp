// SPDX-License-Identifier: MIT
#include "core/document/entry_table.h"

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
