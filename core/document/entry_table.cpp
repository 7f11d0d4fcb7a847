// SPDX-License-Identifier: MIT
#include "core/document/entry_table.h"

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
