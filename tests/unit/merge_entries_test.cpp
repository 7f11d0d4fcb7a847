// SPDX-License-Identifier: MIT
// File/Merge: another document's entries brought into the open one.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/recovery/recovery_recorder.h"
#include "core/text/text_form.h"
#include "fs_test_support.h"

namespace {
using namespace fs_test;

// Merging, one entry at a time: each missing entry, in key order, goes before the first greater key.
std::vector<Entry> Model(std::vector<Entry> here, const std::vector<Entry>& other)
{
    const std::vector<Entry> before = here;
    std::vector<Entry> coming;
    for (const Entry& e : other)
        if (std::find(before.begin(), before.end(), e) == before.end())
            coming.push_back(e);
    std::stable_sort(coming.begin(), coming.end(),
                     [](const Entry& a, const Entry& b) { return CompareKeyWords(a.keyWords, b.keyWords) < 0; });
    for (const Entry& e : coming)
        here.insert(std::find_if(here.begin(), here.end(),
                                 [&](const Entry& h) { return CompareKeyWords(e.keyWords, h.keyWords) < 0; }),
                    e);
    return here;
}
}  // namespace

// Entries equal in all three texts are not doubled, whichever form the file held them in; others go behind equal key
// words, in unordered tables and bulk merges too; the current entry stays; self-merge changes nothing.
TEST(MergeEntries, AddsWhatIsMissingAtItsKeyPlace)
{
    const std::string wide = TextFromUtf16(u"Gr\u00FC\u00DFe \u0141\u00F3d\u017A \xD800");
    std::vector<Entry> many, manyOther;
    for (int i = 0; i < 60; ++i) {
        many.push_back({"k" + std::to_string(i % 7), "here " + std::to_string(i)});
        manyOther.push_back({"k" + std::to_string((i * 5) % 9), "there " + std::to_string(i % 40)});
    }
    std::sort(many.begin(), many.end(), [](const Entry& a, const Entry& b) { return a.keyWords < b.keyWords; });
    std::vector<Entry> unordered = many;
    std::reverse(unordered.begin(), unordered.end());
    manyOther.push_back(many[5]);
    struct Case {
        const char* what;
        std::vector<Entry> here, other;
        int current;  // before the merge
        int alreadyThere;
    };
    const std::vector<Case> cases = {
        {"doubles kept out", {{"a", "1"}, {"c", "1"}}, {{"c", "1"}, {"b", "1"}, {"a", "1"}, {"c", "2"}}, 1, 2},
        {"behind equal keys", {{"b", "1"}, {"b", "3"}}, {{"b", "2"}, {"B", "0"}}, 1, 0},
        {"another date comes in", {{"a", "1", "1.1.2026"}}, {{"a", "1", "2.1.2026"}}, 0, 0},
        {"wide texts as they are", {{"plain", "x"}, {wide, wide}}, {{wide, wide}, {"plain", wide}}, 1, 1},
        {"out of order", {{"c", "1"}, {"a", "1"}}, {{"b", "1"}, {"d", "1"}}, 1, 0},
        {"into nothing", {}, {{"x", "1"}, {"x", "1"}, {"", ""}}, -1, 0},
        {"nothing", {{"a", "1"}}, {}, 0, 0},
        {"itself", many, many, 9, 60},
        {"many", many, manyOther, 30, 1},
        {"many out of order", unordered, manyOther, 59, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeHost host;
        COvrinDoc doc(host);
        SetEntries(doc, c.here);
        doc.SetCurrent(c.current);
        const int updates = host.updates;
        const MergeCounts counts = doc.MergeEntries(EntryTableOf(c.other));
        const int cameIn = static_cast<int>(c.other.size()) - c.alreadyThere;
        EXPECT_EQ(counts.cameIn, cameIn);
        EXPECT_EQ(counts.alreadyThere, c.alreadyThere);
        EXPECT_EQ(EntriesOf(doc), Model(c.here, c.other));
        EXPECT_TRUE(ArraysConsistent(doc));
        EXPECT_EQ(doc.IsModified(), cameIn > 0);
        EXPECT_EQ(host.updates > updates, cameIn > 0);
        if (c.current >= 0)
            EXPECT_EQ(EntriesOf(doc)[static_cast<std::size_t>(doc.Current())], c.here[static_cast<std::size_t>(c.current)]);
        else
            EXPECT_EQ(doc.Current(), cameIn > 0 ? 0 : -1);
    }
}

// From files: the recovery record follows small and large merges (a kill loses nothing); damaged or foreign
// files are refused as Open does, unchanged; the CLI host never overwrites a version saved after the read.
TEST(MergeEntries, FromFilesRecordedRefusedAndNeverOverOthers)
{
    TempFolder dir;
    std::vector<Entry> others;
    for (int i = 0; i < 40; ++i)
        others.push_back({"o" + std::to_string(i), "x"});
    ASSERT_TRUE(WriteEntries(dir / "few.ovr", {{"m", "1"}, {"a", "1"}}).ok);
    ASSERT_TRUE(WriteEntries(dir / "many.ovr", others).ok);
    WriteBytes(dir / "damaged.ovr", std::string("\x00\x00\x0B\x01\x08" "010b0000" "\x05\x00\x00\x00" "\x03" "ab", 19));
    WriteBytes(dir / "foreign.ovr", std::string("\x00\x00\x0B\x01\x08" "020b0000" "\x00\x00\x00\x00", 17));
    for (const char* name : {"few.ovr", "many.ovr"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteEntries(dir / "notes.ovr", {{"b", "1"}, {"n", "2"}}).ok);
        FakeHost host;
        COvrinDoc doc(host);
        CRecoveryRecorder recorder(doc, dir / "state");
        host.onTableChanged = [&](const TableChange& c) { recorder.TableChanged(c); };
        host.onSettled = [&] { recorder.ChangesSettled(); };
        ASSERT_TRUE(OpenDocumentFile(doc, dir / "notes.ovr").ok);
        MergeCounts counts;
        ASSERT_TRUE(MergeDocumentFile(doc, dir / name, counts).ok);
        EXPECT_GT(counts.cameIn, 0);
        ASSERT_TRUE(fs::exists(dir / "state"));
        FakeHost replayHost;
        COvrinDoc replayed(replayHost);
        ASSERT_TRUE(OpenDocumentFile(replayed, dir / "notes.ovr").ok);
        EXPECT_GT(ReplayRecord(ReadBytes(fs::directory_iterator(dir / "state")->path()), replayed), 0);
        EXPECT_EQ(EntriesOf(replayed), EntriesOf(doc));

        // Refused files leave the merged table, and its modified flag, alone.
        const std::vector<Entry> merged = EntriesOf(doc);
        for (const char* refused : {"damaged.ovr", "foreign.ovr", "absent.ovr"}) {
            const FileResult result = MergeDocumentFile(doc, dir / refused, counts);
            EXPECT_FALSE(result.ok) << refused;
            EXPECT_EQ(EntriesOf(doc), merged);
            EXPECT_TRUE(doc.IsModified());
        }
        EXPECT_EQ(host.hints, std::vector<std::string>{"Ungültiges Dokument"});
        fs::remove_all(dir / "state");
    }

    CCliHost host;
    COvrinDoc doc(host);
    ASSERT_TRUE(OpenDocumentFile(doc, dir / "notes.ovr").ok);
    MergeCounts counts;
    ASSERT_TRUE(MergeDocumentFile(doc, dir / "few.ovr", counts).ok);
    ASSERT_TRUE(WriteEntries(dir / "notes.ovr", {{"written", "meanwhile"}}).ok);
    EXPECT_EQ(SaveDocumentFile(doc, dir / "notes.ovr").error, FileResult::Error::Cancelled);
    EXPECT_EQ(LoadEntries(dir / "notes.ovr"), (std::vector<Entry>{{"written", "meanwhile"}}));
}
