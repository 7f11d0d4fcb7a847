// SPDX-License-Identifier: MIT
// Reading files that change while they are read, and counts that would
// exhaust memory.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include "doc/document_file.h"
#include "platform/memory_budget.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

// --- Files that change while they are read ----------------------------------

// Guards against the walk of the command-line tools reading through a
// mapping of the file, where a file cut short under it kills the tool with
// SIGBUS: the walk reads what the file held when it was read.
TEST(ReadingSurvivesChanges, FileCutWhileItIsRead)
{
    TempFolder dir;
    const std::string f = dir / "f.ovr";
    std::vector<Entry> entries;
    for (int i = 0; i < 3000; ++i)
        entries.push_back({"entry " + std::to_string(100000 + i), "", "1.1.2000"});
    ASSERT_TRUE(WriteEntries(f, entries).ok);
    int seen = 0;
    bool inOrder = true;
    const FileResult r = ReadDocumentEntries(f, [&](int i, std::string_view k, auto, auto) {
        if (i == 0)
            ::truncate(f.c_str(), 0);
        inOrder = inOrder && k == "entry " + std::to_string(100000 + i);
        ++seen;
    });
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(seen, 3000);
    EXPECT_TRUE(inOrder);
}

// --- Memory -----------------------------------------------------------------

// Guards against a count of entries making the loader allocate more than
// the machine has: a sparse file of 2 GB (a few KB on disk) that holds 700
// million empty entries is refused at once with a clear message, and the
// open document is kept. The child that reads it has its address space
// limited, so that a fault is a failed allocation rather than the kernel
// ending processes (not under the address sanitizer, which needs far more
// address space than the limit).
TEST(ReadingBoundsMemory, HugeCountOfEmptyEntriesIsRefused)
{
    const int count = 700'000'000;
    if (MemoryBudget() / count > 3 * TableStringFootprint(std::string()))
        GTEST_SKIP() << "this computer could hold the table";
    TempFolder dir;
    const std::string f = dir / "sparse.ovr";
    std::string header("\x00\x00\x0B\x01\x08" "010b0000", 13);
    for (int i = 0; i < 4; ++i)
        header += static_cast<char>((count >> (8 * i)) & 0xFF);
    WriteBytes(f, header);
    ASSERT_EQ(::truncate(f.c_str(), 13 + 4 + 3LL * count), 0);
    RunInChild(
        false,
        [&]() -> std::string {
            FakeHost host;
            COvrinDoc doc(host);
            FillTable(doc, {"mine"});
            doc.SetPathName("/mine.ovr");
            const FileResult r = OpenDocumentFile(doc, f);
            if (r.ok)
                return "opened";
            if (r.error != FileResult::Error::OutOfMemory || r.message.find("memory") == std::string::npos)
                return "unclear refusal: " + r.message;
            if (doc.m_nCount != 1 || doc.GetPathName() != "/mine.ovr")
                return "the open document changed";
            return "";
        },
        [] {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
            const rlimit limit{4ULL << 30, 4ULL << 30};
            ::setrlimit(RLIMIT_AS, &limit);
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer)
            const rlimit limit{4ULL << 30, 4ULL << 30};
            ::setrlimit(RLIMIT_AS, &limit);
#endif
#endif
        });
}

}  // namespace
