// SPDX-License-Identifier: MIT
// What --export writes, converted on threads.
#include <gtest/gtest.h>

#include <cstdint>

#include "cli/recutils_export.h"
#include "core/file/archive.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

// The record set of a file, its runs about `runBytes` long, on `lanes` threads.
std::string Export(const std::string& path, std::size_t runBytes, unsigned lanes,
                   std::vector<int>& inexact)
{
    std::string text = kRecutilsDescriptor;
    const FileResult result = ReadDocumentRuns(
        path,
        [&](const std::vector<EntryRun>& runs) {
            ExportRecutilsRuns(runs, lanes, [&](std::string_view piece) { text += piece; }, inexact);
        },
        WalkSizes{runBytes, 4 * runBytes});
    EXPECT_TRUE(result.ok) << result.message;
    return text;
}

}  // namespace

// Many small runs on several threads give what one run gives, in order,
// inexact entries included.
TEST(ExportRecutils, RunsOnThreadsMatchOneRun)
{
    std::vector<Entry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({"key " + std::to_string(i) + (i % 7 == 0 ? " \xE9t\xE9" : ""),
                           i % 50 == 3 ? "C:\\dir\\\r\nnext" : std::string(i % 40, 'x') + "\r\n\x80 " + std::to_string(i),
                           "1.1.2000"});
    TempFolder dir;
    const std::string path = dir / "runs.ovr";
    ASSERT_TRUE(WriteEntries(path, entries).ok);
    std::vector<int> oneInexact;
    const std::string one = Export(path, SIZE_MAX, 1, oneInexact);
    EXPECT_EQ(oneInexact, (std::vector<int>{4, 54, 104, 154, 204, 254, 304, 354, 404, 454}));
    std::vector<int> inexact;
    EXPECT_TRUE(Export(path, 100, 3, inexact) == one);
    EXPECT_EQ(inexact, oneInexact);
}

// A run that does not read (the file changed after it was checked) ends the
// export with its error instead of hanging the threads or writing past it.
TEST(ExportRecutils, DamagedRunStopsTheExport)
{
    const std::string good("\x01" "a" "\x01" "b" "\x01" "c", 6);
    std::vector<EntryRun> runs;
    for (int i = 0; i < 6; ++i)
        runs.push_back(EntryRun{i, 1, true, i == 2 ? std::string_view("\x09" "short") : std::string_view(good)});
    for (unsigned lanes : {1U, 2U, 4U}) {
        int written = 0;
        std::vector<int> inexact;
        EXPECT_THROW(ExportRecutilsRuns(runs, lanes, [&](std::string_view) { ++written; }, inexact),
                     ArchiveError);
        EXPECT_EQ(written, 2) << lanes;
    }
}
