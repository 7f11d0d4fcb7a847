// SPDX-License-Identifier: MIT
// ovrin-gen N SEED FILE: writes a generated document of N entries.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/cli_host.h"
#include "doc/document_file.h"
#include "doc/ovrin_doc.h"
#include "generate_document.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: ovrin-gen N SEED FILE\n");
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
    CCliHost host;
    COvrinDoc doc(host);
    GenerateDocument(doc, static_cast<int>(n), seed);
    FileResult result = SaveDocumentFile(doc, argv[3]);
    if (!result.ok) {
        std::fprintf(stderr, "ovrin-gen: %s\n", result.message.c_str());
        return 2;
    }
    return 0;
}
