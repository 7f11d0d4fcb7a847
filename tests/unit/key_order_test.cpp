// SPDX-License-Identifier: MIT
// Add, Edit and Undo place entries as a scan of the table would.
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "core/file/document_file.h"
#include "core/text/text_form.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

namespace {

using Entry = std::pair<std::string, std::string>;  // key words, description

// The place rule on a plain list: upward to the first greater key, else
// downward to the last smaller one.
int PlaceByScan(std::vector<Entry>& table, int p)
{
    const Entry e = table[p];
    int to = p;
    for (int i = 0; i < p && to == p; ++i)
        if (e.first < table[i].first) to = i;
    for (int i = static_cast<int>(table.size()) - 1; i > p && to == p; --i)
        if (e.first > table[i].first) to = i;
    table.erase(table.begin() + p);
    table.insert(table.begin() + to, e);
    return to;
}

// Random Add, Edit, Delete and Undo on equal and prefix keys, which
// compare as unsigned bytes.
TEST(KeyOrder, OrderedTableGivesTheScansPlaces)
{
    std::mt19937 rng(7);
    auto key = [&] { return std::string(1 + rng() % 2, "aZ\xE4"[rng() % 3]); };
    FakeHost host;
    COvrinDoc doc(host);
    std::vector<Entry> model, undo;
    for (int step = 0; step < 3000; ++step) {
        const int op = static_cast<int>(rng() % 8);
        const int p = model.empty() ? 0 : static_cast<int>(rng() % model.size());
        const std::string text = std::to_string(step);
        int expected = doc.m_nCurrent;
        if (op <= 2 || model.empty()) {
            model.emplace_back(key(), text);
            host.editAnswers.push_back({true, model.back().first, text});
            doc.OnEntryAdd();
            expected = PlaceByScan(model, static_cast<int>(model.size()) - 1);
        } else if (op <= 4) {
            doc.m_nCurrent = p;
            model[p] = {key(), text};
            host.editAnswers.push_back({true, model[p].first, text});
            doc.OnEntryEdit();
            expected = PlaceByScan(model, p);
        } else if (op == 5) {
            doc.m_nCurrent = p;
            doc.OnEntryDelete();
            undo.push_back(model[p]);
            model.erase(model.begin() + p);
            expected = p > 0 ? p - 1 : 0;
        } else if (!undo.empty()) {
            model.push_back(undo.back());
            undo.pop_back();
            doc.OnEntryUndo();
            expected = PlaceByScan(model, static_cast<int>(model.size()) - 1);
        }
        ASSERT_EQ(doc.m_nCurrent, expected) << "step " << step;
        ASSERT_EQ(doc.m_nCount, static_cast<int>(model.size()));
        for (int i = 0; i < doc.m_nCount; ++i)
            ASSERT_EQ(Entry(doc.m_arrKeyWords[i], doc.m_arrDescriptions[i]), model[i]) << "step " << step;
    }
}

// Wide keys come after every Windows-1252 one, whatever their bytes; the
// command line's import sorts the same way (cli_tools_test).
TEST(KeyOrder, AddPlacesWideKeysAfterWindows1252Ones)
{
    FakeHost host;
    COvrinDoc doc(host);
    const std::string ohm = TextFromUtf16(u"a\u03A9"), l = TextFromUtf16(u"\u0142");
    for (const std::string& k : {std::string("b"), l, std::string("\xFF\xFF"), ohm, std::string("\xFF"),
                                 std::string("a"), std::string("Z")}) {
        host.editAnswers.push_back({true, k, ""});
        doc.OnEntryAdd();
    }
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"Z", "a", ohm, "b", "\xFF", "\xFF\xFF", l}));
}

// A file out of order is scanned after the document knew its old table to
// be ordered: binary search would leave "d" last.
TEST(KeyOrder, OutOfOrderFileStillScanned)
{
    fs_test::TempFolder folder;
    FakeHost host;
    COvrinDoc doc(host);
    FillTable(doc, {"b", "z", "a", "c"});
    ASSERT_TRUE(SaveDocumentFile(doc, folder / "unordered.ovr").ok);
    doc.OnNewDocument();
    for (const char* k : {"a", "b", "c", "d"}) {
        host.editAnswers.push_back({true, k, "x"});
        doc.OnEntryAdd();
    }
    ASSERT_TRUE(OpenDocumentFile(doc, folder / "unordered.ovr").ok);
    host.editAnswers.push_back({true, "d", "new"});
    doc.OnEntryAdd();
    EXPECT_EQ(doc.m_nCurrent, 1);
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"b", "d", "z", "a", "c"}));
}

}  // namespace
