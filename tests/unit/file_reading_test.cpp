// SPDX-License-Identifier: MIT
// The window's loader and tools' walk: past buffers and 2 GiB, files changing mid-read, memory-exhausting counts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>

#include <algorithm>

#include "core/file/document_file.h"
#include "core/file/entry_walk.h"
#include "core/text/text_form.h"
#include "platform/memory_budget.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"
#include "generate_document.h"

using namespace fs_test;
using namespace std::string_literals;

namespace {
// The streamed walk gives the window's table for buffers below an entry, a run or the file; a cut file visits none.
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

// A file cut short mid-walk ends it with an error after the entries read, never a signal (as from a mapping).
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

// Buffer refills lose, double or shift no byte where a field or its prefix straddles one: megabytes
// of entries, texts longer than the buffer and at the length forms' edges among them.
TEST(LargeDocuments, WindowLoaderMatchesTheWalk)
{
    TempFolder dir;
    const std::string f = dir / "large.ovr";
    FakeHost host;
    COvrinDoc written(host);
    GenerateDocument(written, 20000, 16);
    EntryTable table{written.KeyWords(), written.Descriptions(), written.Dates()};
    for (const std::size_t length : {254u, 255u, 65533u, 65534u, 70000u, 300000u}) {
        table.keyWords.push_back(std::string(length, static_cast<char>('a' + length % 26)));
        table.descriptions.push_back(std::string(length / 2, '\r') + TextFromCp1252(std::string(length / 2, '\x80')));
        table.dates.push_back("7.12.2026");
    }
    written.ReplaceTable(std::move(table));
    ASSERT_TRUE(SaveDocumentFile(written, f).ok);
    ASSERT_GT(fs::file_size(f), 5u << 20);

    COvrinDoc opened(host);
    const FileResult r = OpenDocumentFile(opened, f);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(opened.Count(), written.Count());
    int walked = 0;
    int mismatches = 0;
    const FileResult w = ReadDocumentEntries(
        f, [&](int i, std::string_view k, std::string_view d, std::string_view t) {
            ++walked;
            if (k != opened.KeyWords()[i] || d != opened.Descriptions()[i] ||
                t != opened.Dates()[i] || k != written.KeyWords()[i])
                ++mismatches;
        });
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_EQ(walked, written.Count());
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(opened.Descriptions() == written.Descriptions());
}

std::string Le32(std::uint32_t n) { return {char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; }

// The reader takes what the writer wrote: a 2 GiB description (a sparse hole), then an entry past 2 GiB.
TEST(DocumentOver2GiB, IsReadBack)
{
#if defined(__SANITIZE_ADDRESS__)  // GCC's sign of -fsanitize=address
    GTEST_SKIP() << "copying 2 GiB under the address sanitizer outruns the suite's time";
#endif
    constexpr std::uint32_t kText = 0x80000000u;
    TempFolder dir;
    const std::string path = dir / "big.ovr";
    const std::string head = "\0\0\x0B\x01\x08" "010b0000"s + Le32(2) + "\x03" "big\xFF\xFF\xFF" + Le32(kText);
    const std::string tail = "\x08" "1.1.2026\x05" "after\0\x08" "2.2.2026"s;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_EQ(::pwrite(fd, head.data(), head.size(), 0), static_cast<ssize_t>(head.size()));
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size() + kText)), static_cast<ssize_t>(tail.size()));
    ASSERT_EQ(::close(fd), 0);

    std::string seen;
    const FileResult read = ReadDocumentEntries(path, [&](int, std::string_view k, std::string_view d, std::string_view t) {
        seen += std::string(k) + " " + std::to_string(d.size()) + " " + std::string(t) + "; ";
    });
    ASSERT_TRUE(read.ok) << read.message;
    EXPECT_EQ(seen, "big 2147483648 1.1.2026; after 0 2.2.2026; ");
}

// 700 million empty entries (sparse) are refused at once, clearly, the document kept; read in a child
// with limited address space so that a fault fails an allocation.
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
            if (doc.Count() != 1 || doc.GetPathName() != "/mine.ovr")
                return "the open document changed";
            return "";
        },
        [] {
#if !defined(__SANITIZE_ADDRESS__)  // GCC's sign of -fsanitize=address
            const rlimit limit{4ULL << 30, 4ULL << 30};
            ::setrlimit(RLIMIT_AS, &limit);
#endif
        });
}
}  // namespace
