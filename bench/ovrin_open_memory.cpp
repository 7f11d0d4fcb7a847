// SPDX-License-Identifier: MIT
// Opens a document the way the program does and reports the peak resident
// memory before and after, so the cost of an open table can be read against
// the file's size, and what the open table costs an entry beside what the
// file spends on one.
//   ovrin-open-memory FILE
#include <sys/resource.h>

#include <sys/stat.h>

#include <cstdio>

#include "cli/cli_host.h"
#include "core/file/document_file.h"
#include "core/document/ovrin_doc.h"

namespace {

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ovrin-open-memory FILE\n");
        return 2;
    }
    CCliHost host;
    COvrinDoc doc(host);
    const long before = PeakKilobytes();
    const FileResult result = OpenDocumentFile(doc, argv[1]);
    if (!result.ok) {
        std::fprintf(stderr, "%s\n", result.message.c_str());
        return 2;
    }
    const long after = PeakKilobytes();
    struct stat st {};
    ::stat(argv[1], &st);
    const double entries = doc.Count() > 0 ? doc.Count() : 1;
    std::printf("entries %d, peak before open %ld kB, after %ld kB, bytes per entry %.1f, "
                "file bytes per entry %.1f\n",
                doc.Count(), before, after, 1024.0 * static_cast<double>(after - before) / entries,
                static_cast<double>(st.st_size) / entries);
    return 0;
}
