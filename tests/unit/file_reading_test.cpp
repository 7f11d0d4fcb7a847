// SPDX-License-Identifier: MIT
// Reading files that change while they are read, and counts that would
// exhaust memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/resource.h>

#include "doc/document_file.h"
#include "doc/memory_budget.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

std::string SavedDocument(const std::string& path, int count)
{
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i)
        entries.push_back({"entry " + std::to_string(100000 + i), "", "1.1.2000"});
    EXPECT_TRUE(WriteEntries(path, entries).ok);
    return ReadBytes(path);
}

// Runs the command-line tool; its exit status, or 128 + the signal that
// killed it.
int RunTool(const std::string& args)
{
    const char* binary = std::getenv("OVRIN_BINARY");
    if (!binary)
        return -1;
    const int status = std::system((std::string(binary) + " " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// --- Files that change while they are read ----------------------------------

// Guards against the walk of the command-line tools reading through a
// mapping of the file, where a file cut short under it kills the tool with
// SIGBUS: the walk reads what the file held when it was read. And against
// the tools dying of a signal when the file is cut and rewritten while they
// run: each run ends with a status of its own (0, 1 or 2), never a signal.
TEST(ReadingSurvivesChanges, FileCutOrRewrittenWhileItIsRead)
{
    TempFolder dir;
    const std::string f = dir / "f.ovr";
    SavedDocument(f, 3000);
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

    if (!std::getenv("OVRIN_BINARY"))
        GTEST_SKIP() << "OVRIN_BINARY names the program";
    const std::string bytes = SavedDocument(f, 60000);
    const pid_t changer = ::fork();
    ASSERT_GE(changer, 0);
    if (changer == 0) {
        const int fd = ::open(f.c_str(), O_WRONLY);
        for (unsigned i = 0;; ++i) {
            ::ftruncate(fd, static_cast<off_t>(i * 7919 % bytes.size()));
            ::pwrite(fd, bytes.data(), bytes.size(), 0);
        }
    }
    for (int run = 0; run < 8; ++run) {
        const int list = RunTool("--list " + f);
        const int exported = RunTool("--export " + f);
        EXPECT_TRUE(list == 0 || list == 2) << "--list ended with " << list;
        // A read that races the rewrite may see a page not yet filled in:
        // NUL bytes inside a text, which --export names and ends with 1.
        EXPECT_TRUE(exported >= 0 && exported <= 2) << "--export ended with " << exported;
    }
    ::kill(changer, SIGKILL);
    ::waitpid(changer, nullptr, 0);
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
