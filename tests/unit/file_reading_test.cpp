// SPDX-License-Identifier: MIT
// The tools' streamed walk, files that change while they are read, and
// counts that would exhaust memory.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>

#include "core/file/document_file.h"
#include "platform/memory_budget.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

// --- Files that change while they are read ----------------------------------

// The tools' streamed walk gives the entries the window's table holds, for
// buffers smaller than an entry, than a run and than the file alike, and
// refuses a file cut short without visiting any entry.
TEST(StreamedWalk, MatchesTheTableAndRefusesACutFile)
{
    TempFolder dir;
    const std::string f = dir / "f.ovr";
    std::vector<Entry> entries;
    for (int i = 0; i < 300; ++i)
        entries.push_back({"entry " + std::to_string(i), std::string(i * 37 % 300, 'd'), "1.1.2000"});
    entries[150].description.assign(70000, 'x');
    ASSERT_TRUE(WriteEntries(f, entries).ok);
    const std::vector<Entry> table = LoadEntries(f);
    const std::string whole = ReadBytes(f);
    for (const WalkSizes sizes : {WalkSizes{1, 1}, WalkSizes{100, 333}, WalkSizes{4096, 9000}, WalkSizes{}}) {
        SCOPED_TRACE(std::to_string(sizes.runBytes) + " " + std::to_string(sizes.batchBytes));
        std::vector<Entry> walked;
        const auto visit = [&](int i, std::string_view k, std::string_view d, std::string_view t) {
            EXPECT_EQ(i, static_cast<int>(walked.size()));
            walked.push_back({std::string(k), std::string(d), std::string(t)});
        };
        WriteBytes(f, whole);
        EXPECT_TRUE(ReadDocumentEntries(f, visit, sizes).ok);
        EXPECT_TRUE(walked == table);
        // With a sieve, only runs that hold an entry it passes are visited.
        std::vector<int> sifted;
        const auto note = [&](int i, auto, auto, auto) { sifted.push_back(i); };
        EXPECT_TRUE(ReadDocumentEntries(f, note, sizes, [](int i, auto, auto) { return i == 150 || i == 299; }).ok);
        EXPECT_TRUE((std::ranges::includes(sifted, std::vector{150, 299})));
        EXPECT_TRUE((sizes.runBytes > 1 || sifted == std::vector{150, 299}));
        walked.clear();
        WriteBytes(f, whole.substr(0, whole.size() - 1));
        EXPECT_EQ(ReadDocumentEntries(f, visit, sizes).error, FileResult::Error::BadFormat);
        EXPECT_TRUE(walked.empty());
    }
}

// A file cut short while it is walked ends the walk with an error after the
// entries read until then, never with a signal (as reading through a
// mapping of the file would give).
TEST(StreamedWalk, FileCutWhileItIsRead)
{
    TempFolder dir;
    const std::string f = dir / "f.ovr";
    ASSERT_TRUE(WriteEntries(f, std::vector<Entry>(3000, Entry{"entry", "", "1.1.2000"})).ok);
    int seen = 0;
    const FileResult r = ReadDocumentEntries(f, [&](int i, auto, auto, auto) {
        if (i == 0)
            ::truncate(f.c_str(), 0);
        ++seen;
    }, WalkSizes{1024, 1024});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("shorter"), std::string::npos) << r.message;
    EXPECT_LT(seen, 3000);
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
