// SPDX-License-Identifier: MIT
// The window's loader on documents far larger than its read buffer, checked
// entry for entry against the command-line walk of the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "doc/document_file.h"
#include "doc_test_support.h"
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
    for (const std::size_t length : {254u, 255u, 65533u, 65534u, 70000u, 300000u}) {
        written.m_arrKeyWords.push_back(std::string(length, static_cast<char>('a' + length % 26)));
        written.m_arrDescriptions.push_back(std::string(length / 2, '\r') + std::string(length / 2, '\x80'));
        written.m_arrDates.push_back("7.12.2026");
        ++written.m_nCount;
    }
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

// Edits, Deletes and Undos that rewrite the table's texts many times over:
// the bytes they leave behind are reclaimed along the way, and the table,
// its undo stack and the saved and reopened file keep every text exactly.
TEST(LargeDocuments, RewritingTheTableManyTimesOverKeepsEveryText)
{
    TempFolder dir;
    const std::string f = dir / "rewritten.ovr";
    std::mt19937 rng(12);
    auto description = [&](int step) {
        return std::to_string(step) + std::string(2000 + rng() % 30000, static_cast<char>('a' + rng() % 26));
    };
    FakeHost host;
    COvrinDoc doc(host);
    std::vector<std::string> descriptions;  // the model, in the table's order: keys are "k" + index
    for (int i = 0; i < 200; ++i) {
        descriptions.push_back(description(i));
        host.editAnswers.push_back({true, "k" + std::to_string(1000 + i), descriptions.back()});
        doc.OnEntryAdd();
    }
    std::vector<std::string> undone;
    std::vector<int> undonePlace;
    for (int step = 0; step < 1500; ++step) {
        const int p = static_cast<int>(rng() % descriptions.size());
        doc.m_nCurrent = p;
        if (step % 5 == 3) {
            doc.OnEntryDelete();
            undone.push_back(descriptions[p]);
            undonePlace.push_back(p);
            descriptions.erase(descriptions.begin() + p);
        } else if (step % 5 == 4 && !undone.empty()) {
            doc.OnEntryUndo();
            descriptions.insert(descriptions.begin() + undonePlace.back(), undone.back());
            undone.pop_back();
            undonePlace.pop_back();
        } else {
            descriptions[p] = description(step);
            host.editAnswers.push_back({true, std::string(doc.m_arrKeyWords[p]), descriptions[p]});
            doc.OnEntryEdit();
        }
        ASSERT_EQ(doc.m_arrDescriptions[static_cast<std::size_t>(doc.m_nCurrent)],
                  descriptions[static_cast<std::size_t>(doc.m_nCurrent)])
            << step;
    }
    ASSERT_TRUE(doc.m_arrDescriptions == descriptions);
    std::vector<std::string> undoTexts = doc.m_arrUndoDescriptions.ToVector();
    EXPECT_EQ(undoTexts, undone);
    // About 30 MB were written while under 4 MB stay live.
    std::uint64_t live = 0;
    for (const std::string& d : descriptions)
        live += d.size();
    EXPECT_LT(doc.m_arrDescriptions.Footprint(), 2 * live + (std::uint64_t{5} << 20));

    ASSERT_TRUE(SaveDocumentFile(doc, f).ok);
    COvrinDoc opened(host);
    ASSERT_TRUE(OpenDocumentFile(opened, f).ok);
    EXPECT_TRUE(opened.m_arrDescriptions == descriptions);
    EXPECT_TRUE(opened.m_arrKeyWords == doc.m_arrKeyWords);
}

}  // namespace
