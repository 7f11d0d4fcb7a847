// SPDX-License-Identifier: MIT
// ovrin-gen N SEED FILE [OPTION BYTES]...: writes a generated document of N
// entries. The options give the first entry a huge field:
//   --description-bytes B   a description of one B-byte line
//   --description-lines L   a description of L short lines
//   --date-bytes B          a date field of B bytes
//   --key-word-bytes B      key words of B bytes
// Two others shape every entry:
//   --empty-entries 1       every entry as Add leaves it: no key words, no
//                           description, only a date
//   --mixed-scripts P       P percent of the entries hold words of other
//                           scripts (their texts are wide)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "cli/cli_host.h"
#include "core/file/document_file.h"
#include "core/document/ovrin_doc.h"
#include "generate_document.h"

int main(int argc, char** argv)
{
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: ovrin-gen N SEED FILE [--description-bytes B] [--description-lines L] "
                             "[--date-bytes B] [--key-word-bytes B] [--empty-entries 1] [--mixed-scripts P]\n");
        return 2;
    }
    char* end = nullptr;
    const long n = std::strtol(argv[1], &end, 10);
    if (*end != '\0' || n < 0 || n > 10000000) {
        std::fprintf(stderr, "ovrin-gen: N must be a count from 0 to 10000000\n");
        return 2;
    }
    const unsigned long long seed = std::strtoull(argv[2], &end, 10);
    if (*end != '\0') {
        std::fprintf(stderr, "ovrin-gen: SEED must be a number\n");
        return 2;
    }
    HugeFields huge;
    bool empty = false;
    int mixedPercent = 0;
    for (int a = 4; a + 1 < argc; a += 2) {
        const std::string option = argv[a];
        const unsigned long long value = std::strtoull(argv[a + 1], &end, 10);
        if (*end != '\0' || value > (1ull << 31)) {
            std::fprintf(stderr, "ovrin-gen: %s needs a count up to 2^31\n", argv[a]);
            return 2;
        }
        if (option == "--description-bytes")
            huge.descriptionBytes = value;
        else if (option == "--description-lines")
            huge.descriptionLines = value;
        else if (option == "--date-bytes")
            huge.dateBytes = value;
        else if (option == "--key-word-bytes")
            huge.keyWordBytes = value;
        else if (option == "--empty-entries")
            empty = value != 0;
        else if (option == "--mixed-scripts" && value <= 100)
            mixedPercent = static_cast<int>(value);
        else {
            std::fprintf(stderr, "ovrin-gen: unknown option %s\n", argv[a]);
            return 2;
        }
    }
    CCliHost host;
    COvrinDoc doc(host);
    if (empty) {
        EntryTable table;
        for (long i = 0; i < n; ++i) {
            table.keyWords.push_back({});
            table.descriptions.push_back({});
            table.dates.push_back("31.12.2026");
        }
        doc.ReplaceTable(std::move(table));
    } else {
        GenerateDocument(doc, static_cast<int>(n), seed, mixedPercent);
    }
    AddHugeFields(doc, huge, seed);
    FileResult result = SaveDocumentFile(doc, argv[3]);
    if (!result.ok) {
        std::fprintf(stderr, "ovrin-gen: %s\n", result.message.c_str());
        return 2;
    }
    return 0;
}
