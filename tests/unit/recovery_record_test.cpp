// SPDX-License-Identifier: MIT
// The recovery record on the real file system: what it replays to after
// every kind of change, torn and damaged, and when it comes and goes.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/recovery/recovery_recorder.h"
#include "core/text/text_form.h"
#include "fs_test_support.h"

namespace {

using namespace fs_test;

std::vector<Entry> TableOf(const COvrinDoc& doc)
{
    std::vector<Entry> out;
    for (int i = 0; i < doc.Count(); ++i)
        out.push_back({std::string(doc.KeyWords()[i]), std::string(doc.Descriptions()[i]),
                       std::string(doc.Dates()[i])});
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
    return {TableOf(doc), doc.Current()};
}

}  // namespace

TEST(RecoveryRecord, ReplaysEveryChangeAndDropsWhatIsTornOrDamaged)
{
    Recorded r({{"b", "1"}, {"d", "2"}, {"f", "3"}});
    const std::vector<std::function<void()>> commands = {
        [&] { r.Add("a"); },                                   // in front
        [&] { r.Add("z"); },                                   // at the end
        [&] { r.doc.SetCurrent(1); r.doc.OnEntryDelete(); },  // removed
        [&] { r.doc.SetCurrent(0);                            // rewritten and moved
              r.host.editAnswers.push_back({true, "e", "moved"}); r.doc.OnEntryEdit(); },
        [&] { r.doc.OnEntryUndo(); },                          // back at its place
        [&] { r.doc.SetCurrent(0);                            // moved, its description kept
              r.host.editAnswers.push_back({true, "y", std::string(r.doc.Descriptions()[0])});
              r.doc.OnEntryEdit(); },
    };
    std::vector<std::string> records;
    std::vector<std::vector<Entry>> tables{TableOf(r.doc)};
    for (const auto& command : commands) {
        command();
        ASSERT_EQ(r.Records().size(), 1u);
        records.push_back(r.Records()[0]);
        tables.push_back(TableOf(r.doc));
        EXPECT_EQ(Replayed(records.back()), std::make_pair(tables.back(), r.doc.Current()));
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

// The view on screen (key list or description, current entry) comes back too.
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
        EXPECT_EQ(std::make_pair(doc.Current(), doc.ShowsKeyList()), std::make_pair(1, keyList));
        EXPECT_EQ(TableOf(doc), TableOf(r.doc));
    }
}

// When the record comes and goes, what a discard left out, and an abandoned
// record taken once.
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

    // A program that ends leaves its record to one other program.
    r.Add("f");
    r.recorder.reset();
    auto taken = CRecordFile::TakeAbandoned(r.state);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_TRUE(CRecordFile::TakeAbandoned(r.state).empty());
    EXPECT_EQ(taken[0]->Contents(), r.Records()[0]);
}

// A failed write (a file-size limit) keeps an earlier state, never a torn
// frame, says so once; the next change brings the whole table.
TEST(RecoveryRecord, AFailedAppendKeepsTheFramesBeforeIt)
{
    Recorded r({{"b", "1"}});
    r.Add("a");
    const std::vector<Entry> afterA = TableOf(r.doc);
    const std::size_t size = r.Records()[0].size();
    std::vector<std::string> failures;
    r.recorder->onFailure = [&](const std::string& why) { failures.push_back(why); };
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = size + 64;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    r.host.editAnswers.push_back({true, "c", std::string(4096, 'x')});
    r.doc.OnEntryAdd();
    r.Add("d");
    const std::string cut = r.Records()[0];
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(cut.size(), size);
    EXPECT_EQ(Replayed(cut).first, afterA);
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_FALSE(r.recorder->Changes()) << "a record that misses a change cannot be merged";
    r.Add("e");
    EXPECT_EQ(Replayed(r.Records()[0]).first, TableOf(r.doc));
    EXPECT_TRUE(r.recorder->Changes());
}

// By content onto another version: an addition, a deletion of an entry changed
// there (it stays), an edit; after that merge a third version gets the same.
TEST(RecoveryRecord, ReplaysOntoAnotherVersionByContent)
{
    Recorded r({{"b", "1"}, {"d", "2"}, {"f", "3"}});
    r.Add("a");
    r.doc.SetCurrent(2);  // d
    r.doc.OnEntryDelete();
    r.doc.SetCurrent(2);  // f
    r.host.editAnswers.push_back({true, "g", "3"});
    r.doc.OnEntryEdit();
    const std::string record = r.Records()[0];
    const std::string other = r.dir / "other.ovr";
    ASSERT_TRUE(WriteEntries(other, {{"b", "1"}, {"d", "changed there"}, {"f", "3"}, {"h", "new there"}}).ok);
    FakeHost host;
    COvrinDoc doc(host);
    ASSERT_TRUE(OpenDocumentFile(doc, other).ok);
    const MergeOutcome outcome = ReplayRecordOnto(record, doc);
    std::vector<std::string> texts;
    for (const Entry& e : TableOf(doc))
        texts.push_back(e.keyWords + ":" + e.description);
    EXPECT_EQ(texts, (std::vector<std::string>{"a:about a", "b:1", "d:changed there", "g:3", "h:new there"}));
    EXPECT_EQ(doc.Current(), 3) << "the entry changed last is current";
    EXPECT_EQ(outcome.keptChanged, 1);

    EntryTable merged{doc.Table()};
    r.doc.TakeMergedTable(std::move(merged));
    FakeHost host2;
    COvrinDoc again(host2);
    ASSERT_TRUE(WriteEntries(other, {{"z", "only there"}}).ok);
    ASSERT_TRUE(OpenDocumentFile(again, other).ok);
    ReplayRecordOnto(r.Records()[0], again);
    EXPECT_EQ(std::vector<std::string>(again.KeyWords().begin(), again.KeyWords().end()),
              (std::vector<std::string>{"a", "g", "z"}));
}

// Bytes rewritten in place, size and modification time kept, are another version.
TEST(RecoveryRecord, AFileRewrittenInPlaceIsAnotherVersion)
{
    Recorded r({{"b", "1"}});
    r.Add("a");
    const std::string path = r.dir / "notes.ovr";
    const FileStamp recorded = ReadRecordBase(r.Records()[0])->file;
    EXPECT_TRUE(IsRecordedFile(recorded, StampOf(path)));
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ::usleep(20000);  // past the file system's clock tick
    std::string bytes = ReadBytes(path);
    bytes.back() ^= 1;
    WriteBytes(path, bytes);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(StampOf(path).seconds, recorded.seconds);
    EXPECT_FALSE(IsRecordedFile(recorded, StampOf(path)));
}

// Typing in the Edit dialog comes back as an entry until a change or a cancel.
TEST(RecoveryRecord, KeepsWhatIsTypedIntoTheEditDialog)
{
    Recorded r({{"b", "1"}, {"d", "2"}});
    r.recorder->TypingFrame(EncodeTyping(-1, 0, {"c", "typed", "9.9.2026"}));
    EXPECT_EQ(Replayed(r.Records()[0]), std::make_pair(std::vector<Entry>{{"b", "1"}, {"c", "typed", "9.9.2026"}, {"d", "2"}}, 1));
    r.recorder->TypingCancelled();
    EXPECT_TRUE(r.Records().empty()) << "a record of nothing but typing goes with its dialog";

    r.Add("a");
    r.recorder->TypingFrame(EncodeTyping(1, EntryDigest(EntryAt(r.doc.Table(), 1)), {"z", "edited", "9.9.2026"}));  // b
    EXPECT_EQ(Replayed(r.Records()[0]).first,
              (std::vector<Entry>{TableOf(r.doc)[0], {"d", "2"}, {"z", "edited", "9.9.2026"}}));
    FakeHost host;
    COvrinDoc other(host);
    ASSERT_TRUE(OpenDocumentFile(other, r.dir / "notes.ovr").ok);
    ReplayRecordOnto(r.Records()[0], other);
    EXPECT_EQ(TableOf(other), Replayed(r.Records()[0]).first) << "the same by content";
    r.recorder->TypingCancelled();
    EXPECT_EQ(Replayed(r.Records()[0]).first, TableOf(r.doc));
    r.recorder->TypingFrame(EncodeTyping(-1, 0, {"y", "typed", "9.9.2026"}));
    r.Add("e");
    EXPECT_EQ(Replayed(r.Records()[0]).first, TableOf(r.doc)) << "typing a change follows is over";
}

// Crafted texts that are not UTF-8 come back as the Windows-1252 bytes
// they hold; a sound one as it was.
TEST(RecoveryRecord, CraftedTextsComeBackInTheDocumentsForm)
{
    const std::string wide = TextFromUtf16(u"\u0416x");
    const std::vector<std::string> crafted = {"\xFF\xFE\xFF", "z\xC3", "\xC0\x80", "\xF4\x90\x80\x80", "\xE9t\xE9"};
    const std::vector<std::string> sound = {wide, TextFromCp1252("\xFF\xFE\xFFy"), TextFromUtf16(u"\xD800"), "ok"};
    std::vector<Entry> entries;
    for (const std::string& t : crafted)
        entries.push_back({t, t, t});
    for (const std::string& t : sound)
        entries.push_back({t, t, t});
    FakeHost host;
    COvrinDoc doc(host);
    SetEntries(doc, entries);
    for (const std::string& record :
         {EncodeRecordStart({}) + EncodeWholeTable(doc),
          EncodeRecordStart({}) + EncodeTableChange(doc, TableChange{TableChange::Kind::Inserted, 0})}) {
        FakeHost replayHost;
        COvrinDoc replayed(replayHost);
        ASSERT_GT(ReplayRecord(record, replayed), 0);
        const bool whole = replayed.Count() == doc.Count();
        for (int i = 0; i < replayed.Count(); ++i) {
            const std::string& t = i < static_cast<int>(crafted.size()) ? crafted[i] : sound[i - crafted.size()];
            const std::string want = IsOfTextForm(t) ? t : TextFromCp1252(t);
            EXPECT_TRUE(IsOfTextForm(replayed.KeyWords()[i])) << i;
            EXPECT_EQ(replayed.KeyWords()[i], want) << i;
            EXPECT_EQ(replayed.Descriptions()[i], want) << i;
            EXPECT_EQ(replayed.Dates()[i], want) << i;
            if (!whole)
                break;
        }
    }
    for (const std::string& t : crafted)
        EXPECT_FALSE(IsOfTextForm(t)) << t;
    for (const std::string& t : sound)
        EXPECT_TRUE(IsOfTextForm(t)) << t;
}

// A record folder another user owns, or others may enter, is never used: they
// could read, remove or plant records there.
TEST(RecoveryRecord, AFolderOthersControlIsNeverUsed)
{
    TempFolder dir;
    const std::string folder = dir / "ovrin";
    const std::string start = EncodeRecordStart({});
    std::string error;
    struct Case {
        uid_t owner;
        fs::perms mode;
        std::string why;
    };
    std::vector<Case> cases = {{::getuid(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec, "is open to other users"},
                               {::getuid(), fs::perms::owner_all | fs::perms::others_exec, "is open to other users"}};
    if (::getuid() == 0)
        cases.push_back({65534, fs::perms::owner_all, "belongs to another user"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all(folder);
        fs::create_directory(folder);
        fs::permissions(folder, fs::perms::owner_all);
        ASSERT_NE(CRecordFile::Create(folder, start, error), nullptr) << error;  // abandoned at once
        ASSERT_EQ(::chown(folder.c_str(), c.owner, static_cast<gid_t>(-1)), 0);
        fs::permissions(folder, c.mode);
        EXPECT_TRUE(CRecordFile::TakeAbandoned(folder).empty());
        EXPECT_EQ(CRecordFile::Create(folder, start, error), nullptr);
        EXPECT_EQ(error, folder + " " + c.why);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

// Each appended frame is synced before the change goes on: counted under strace.
TEST(RecoveryRecord, EveryAppendedFrameIsSynced)
{
    if (const char* folder = std::getenv("OVRIN_RECORD_SYNC_CHILD")) {
        std::string error;
        const std::unique_ptr<CRecordFile> record = CRecordFile::Create(folder, EncodeRecordStart({}), error);
        ASSERT_NE(record, nullptr) << error;
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(record->Append("frame", error)) << error;
        return;
    }
#if defined(__SANITIZE_ADDRESS__)  // GCC's sign of -fsanitize=address
    GTEST_SKIP() << "the leak checker cannot run under strace; the normal build watches the syncs";
#endif
    if (std::system("strace -V > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not installed";
    TempFolder dir;
    const std::string command = "OVRIN_RECORD_SYNC_CHILD=" + (dir / "state") + " strace -f -e trace=fdatasync,fsync -o " +
                                (dir / "trace") + " " + fs::read_symlink("/proc/self/exe").string() +
                                " --gtest_filter=RecoveryRecord.EveryAppendedFrameIsSynced > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::istringstream trace(ReadBytes(dir / "trace"));
    int dataSyncs = 0;
    for (std::string line; std::getline(trace, line);)
        dataSyncs += line.find("fdatasync(") != std::string::npos && line.find("= 0") != std::string::npos;
    EXPECT_EQ(dataSyncs, 1 + 5) << ReadBytes(dir / "trace");
}
