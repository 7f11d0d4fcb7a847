// SPDX-License-Identifier: MIT
// The window's loader on documents far larger than its read buffer, checked
// entry for entry against the command-line walk of the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "core/file/document_file.h"
#include "core/file/entry_walk.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"
#include "generate_document.h"

using namespace fs_test;

namespace {

// Guards against the buffer refill of the file-backed loader losing,
// doubling or shifting bytes where a field (or its length prefix) straddles
// a refill: several megabytes of generated entries, with texts longer than
// the buffer and at the edges of the length forms among them.
TEST(LargeDocuments, WindowLoaderMatchesTheWalk)
{
    TempFolder dir;
    const std::string f = dir / "large.ovr";
    FakeHost host;
    COvrinDoc written(host);
    GenerateDocument(written, 20000, 16);
    EntryTable table{written.m_arrKeyWords, written.m_arrDescriptions, written.m_arrDates};
    for (const std::size_t length : {254u, 255u, 65533u, 65534u, 70000u, 300000u}) {
        table.keyWords.push_back(std::string(length, static_cast<char>('a' + length % 26)));
        table.descriptions.push_back(std::string(length / 2, '\r') + std::string(length / 2, '\x80'));
        table.dates.push_back("7.12.2026");
    }
    written.ReplaceTable(std::move(table));
    ASSERT_TRUE(SaveDocumentFile(written, f).ok);
    ASSERT_GT(fs::file_size(f), 5u << 20);

    COvrinDoc opened(host);
    const FileResult r = OpenDocumentFile(opened, f);
    ASSERT_TRUE(r.ok) << r.message;
    ASSERT_EQ(opened.m_nCount, written.m_nCount);
    int walked = 0;
    int mismatches = 0;
    const FileResult w = ReadDocumentEntries(
        f, [&](int i, std::string_view k, std::string_view d, std::string_view t) {
            ++walked;
            if (k != opened.m_arrKeyWords[i] || d != opened.m_arrDescriptions[i] ||
                t != opened.m_arrDates[i] || k != written.m_arrKeyWords[i])
                ++mismatches;
        });
    ASSERT_TRUE(w.ok) << w.message;
    EXPECT_EQ(walked, written.m_nCount);
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(opened.m_arrDescriptions == written.m_arrDescriptions);
}

}  // namespace
