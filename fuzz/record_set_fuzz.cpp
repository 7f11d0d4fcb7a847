// SPDX-License-Identifier: MIT
// Feeds arbitrary bytes to the reader of `ovrin --import`: it must never
// crash, and it either refuses with a message and no entries, or gives
// entries that a document can hold, each with key words of the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/recutils_import.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RecordSetReading reading = ReadRecordSet(text, "1.1.2000");
    if (!reading.ok && (reading.message.empty() || !reading.entries.empty())) std::abort();
    // Read from a pipe, the same bytes come in pieces cut anywhere.
    RecordSetReader pieces("1.1.2000");
    const std::size_t piece = size == 0 ? 1 : 1 + data[0] % 5;
    for (std::size_t at = 0; at < size; at += piece) pieces.Feed(text.substr(at, piece));
    const RecordSetReading piecewise = pieces.Finish();
    if (piecewise.message != reading.message || piecewise.entries.size() != reading.entries.size()) std::abort();
    for (std::size_t i = 0; i < reading.entries.size(); ++i)
        if (piecewise.entries[i].keyWords != reading.entries[i].keyWords ||
            piecewise.entries[i].description != reading.entries[i].description)
            std::abort();
    for (std::size_t e = 0; e < reading.entries.size(); ++e) {
        const ImportedEntry entry = reading.entries[e];
        // Line feeds only ever come as part of CR LF.
        for (const std::string* t : {&entry.keyWords, &entry.description, &entry.date})
            for (std::size_t i = 0; i < t->size(); ++i)
                if ((*t)[i] == '\n' && (i == 0 || (*t)[i - 1] != '\r')) std::abort();
    }
    return 0;
}
