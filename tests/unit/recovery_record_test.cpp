// SPDX-License-Identifier: MIT
// The recovery record on the real file system: what it replays to after
// every kind of change, torn and damaged, and when it comes and goes.
#include <gtest/gtest.h>

#include <memory>

#include "doc/recovery_recorder.h"
#include "fs_test_support.h"

namespace {

using namespace fs_test;

std::vector<Entry> TableOf(const COvrinDoc& doc)
{
    std::vector<Entry> out;
    for (int i = 0; i < doc.m_nCount; ++i)
        out.push_back({std::string(doc.m_arrKeyWords[i]), std::string(doc.m_arrDescriptions[i]),
                       std::string(doc.m_arrDates[i])});
    return out;
}

struct Recorded {
    TempFolder dir;
    FakeHost host;
    COvrinDoc doc{host};
    std::string state = dir / "state";
    std::unique_ptr<CRecoveryRecorder> recorder = std::make_unique<CRecoveryRecorder>(doc, state);

    explicit Recorded(std::initializer_list<Entry> entries)
    {
        host.onTableChanged = [this](const TableChange& c) { if (recorder) recorder->TableChanged(c); };
        host.onSettled = [this] { if (recorder) recorder->ChangesSettled(); };
        EXPECT_TRUE(WriteEntries(dir / "notes.ovr", entries).ok);
        EXPECT_TRUE(OpenDocumentFile(doc, dir / "notes.ovr").ok);
    }
    void Add(const std::string& keyWords)
    {
        host.editAnswers.push_back({true, keyWords, "about " + keyWords});
        doc.OnEntryAdd();
    }
    std::vector<std::string> Records() const
    {
        std::vector<std::string> out;
        if (fs::exists(state))
            for (const auto& e : fs::directory_iterator(state))
                out.push_back(ReadBytes(e.path()));
        return out;
    }
};

std::pair<std::vector<Entry>, int> Replayed(std::string_view record)
{
    FakeHost host;
    COvrinDoc doc(host);
    const std::optional<RecordBase> base = ReadRecordBase(record);
    if (base && !base->path.empty())
        OpenDocumentFile(doc, base->path);
    ReplayRecord(record, doc);
    return {TableOf(doc), doc.m_nCurrent};
}

}  // namespace

TEST(RecoveryRecord, ReplaysEveryChangeAndDropsWhatIsTornOrDamaged)
{
    Recorded r({{"b", "1"}, {"d", "2"}, {"f", "3"}});
    const std::vector<std::function<void()>> commands = {
        [&] { r.Add("a"); },                                   // in front
        [&] { r.Add("z"); },                                   // at the end
        [&] { r.doc.m_nCurrent = 1; r.doc.OnEntryDelete(); },  // removed
        [&] { r.doc.m_nCurrent = 0;                            // rewritten and moved
              r.host.editAnswers.push_back({true, "e", "moved"}); r.doc.OnEntryEdit(); },
        [&] { r.doc.OnEntryUndo(); },                          // back at its place
        [&] { r.doc.m_nCurrent = 0;                            // moved, its description kept
              r.host.editAnswers.push_back({true, "y", std::string(r.doc.m_arrDescriptions[0])});
              r.doc.OnEntryEdit(); },
    };
    std::vector<std::string> records;
    std::vector<std::vector<Entry>> tables{TableOf(r.doc)};
    for (const auto& command : commands) {
        command();
        ASSERT_EQ(r.Records().size(), 1u);
        records.push_back(r.Records()[0]);
        tables.push_back(TableOf(r.doc));
        EXPECT_EQ(Replayed(records.back()), std::make_pair(tables.back(), r.doc.m_nCurrent));
    }
    // Cut anywhere, the record gives the table after its last whole change.
    const std::string& whole = records.back();
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        if (!ReadRecordBase(whole.substr(0, length)))
            continue;  // cut inside its start: no record at all
        std::size_t complete = 0;
        while (complete < records.size() && records[complete].size() <= length)
            ++complete;
        EXPECT_EQ(Replayed(whole.substr(0, length)).first, tables[complete]) << length;
    }
    std::string damaged = whole;
    damaged[records[3].size() - 2] ^= 0x40;  // in the date of the rewritten entry
    EXPECT_EQ(Replayed(damaged).first, tables[3]);
    // Over a table it does not fit, it stops at the first change that does not.
    FillTable(r.doc, {"x", "y"});
    EXPECT_EQ(ReplayRecord(whole, r.doc), 1);
}

// The view on screen goes into the record of unsaved changes when it
// changes, and a recovery shows it again: the key list or the description,
// at the entry that was current.
TEST(RecoveryRecord, KeepsTheViewThatWasShown)
{
    Recorded r({{"b", "1"}, {"d", "2"}, {"f", "3"}});
    r.recorder->ViewShown(2, true);
    EXPECT_TRUE(r.Records().empty());  // nothing unsaved, nothing kept
    r.Add("a");
    const std::size_t added = r.Records()[0].size();
    r.recorder->ViewShown(3, true);
    const std::size_t viewed = r.Records()[0].size();
    EXPECT_GT(viewed, added);
    r.recorder->ViewShown(3, true);
    EXPECT_EQ(r.Records()[0].size(), viewed);
    for (const bool keyList : {false, true}) {
        r.recorder->ViewShown(1, keyList);
        FakeHost host;
        COvrinDoc doc(host);
        ASSERT_TRUE(OpenDocumentFile(doc, r.dir / "notes.ovr").ok);
        ReplayRecord(r.Records()[0], doc);
        EXPECT_EQ(std::make_pair(doc.m_nCurrent, doc.m_bKeyList), std::make_pair(1, keyList));
        EXPECT_EQ(TableOf(doc), TableOf(r.doc));
    }
}

// Guards when the record comes and goes, that it never loses what a
// discard or its failures left out, and that an abandoned one is taken once.
TEST(RecoveryRecord, LivesFromTheFirstChangeUntilSavedOrDiscarded)
{
    Recorded r({{"b", "1"}});
    EXPECT_TRUE(r.Records().empty());
    r.Add("a");
    EXPECT_EQ(r.Records().size(), 1u);
    EXPECT_TRUE(CRecordFile::TakeAbandoned(r.state).empty()) << "held by the living program";
    // Changes thrown away while the table keeps them: the next record
    // starts from the whole table.
    r.recorder->Discard();
    EXPECT_TRUE(r.Records().empty());
    r.Add("c");
    ASSERT_EQ(r.Records().size(), 1u);
    EXPECT_EQ(Replayed(r.Records()[0]).first, TableOf(r.doc));
    EXPECT_TRUE(SaveDocumentFile(r.doc, r.dir / "notes.ovr").ok);
    EXPECT_TRUE(r.Records().empty());

    // Changes it could not write are said once, and the record after them
    // starts from the whole table too.
    fs::remove_all(r.state);
    WriteBytes(r.state, "a file where the folder should be");
    std::vector<std::string> failures;
    r.recorder->onFailure = [&](const std::string& why) { failures.push_back(why); };
    r.Add("d");
    r.Add("e");
    EXPECT_EQ(failures.size(), 1u);
    fs::remove(r.state);
    r.Add("f");
    ASSERT_EQ(r.Records().size(), 1u);
    EXPECT_EQ(Replayed(r.Records()[0]).first, TableOf(r.doc));

    // A program that ends leaves its record to one other program.
    r.recorder.reset();
    auto taken = CRecordFile::TakeAbandoned(r.state);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_TRUE(CRecordFile::TakeAbandoned(r.state).empty());
    EXPECT_EQ(taken[0]->Contents(), r.Records()[0]);
}
