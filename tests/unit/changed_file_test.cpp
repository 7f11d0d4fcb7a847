// SPDX-License-Identifier: MIT
// Open, Save and "Save immediate" over a file another program changed: saves ask first, never for mere time changes.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string_view>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include "core/document/cmd_ui.h"
#include "fs_test_support.h"

namespace {
using namespace fs_test;

class DocumentFileTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
    TempFolder dir;
    const std::string f = dir / "f.ovr";
};

// Open names the document, leaves it unmodified and keeps the previous file's undo stack.
TEST_F(DocumentFileTest, OpensAFile)
{
    ASSERT_TRUE(WriteEntries(f, {{"x", ""}, {"y", ""}}).ok);
    FillTable(doc, {"old"});
    doc.OnEntryDelete();
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    EXPECT_EQ(doc.KeyWords(), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(doc.GetPathName(), f);
    EXPECT_EQ(doc.FilePath(), f);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.UndoCount(), 1);
}

// Another program's version taken in follows the current entry by its key words, to the first place too.
TEST_F(DocumentFileTest, ReloadFollowsTheCurrentEntry)
{
    ASSERT_TRUE(WriteEntries(f, {{"b", ""}, {"c", ""}}).ok);
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    doc.SetCurrent(1);
    ASSERT_TRUE(WriteEntries(f, {{"c", ""}, {"d", ""}, {"e", ""}}).ok);
    ASSERT_TRUE(ReloadDocumentFile(doc).ok);
    EXPECT_EQ(doc.Current(), 0);
}

// "Save immediate" on rewrites the open file (an old-version one as the new version); a deletion
// rewrites it whole. (Foreign files: the unreadable-files test; Save As: the window's test.)
TEST_F(DocumentFileTest, SaveImmediateRewritesTheOpenFile)
{
    const std::string g = dir / "g.ovr";
    WriteBytes(g, std::string("\x00\x00\x0A\x01\x08" "010a0000" "\x02\x00\x00\x00"
                              "\x01" "a" "\x01" "d" "\x01" "b" "\x01" "d", 25));
    ASSERT_TRUE(OpenDocumentFile(doc, g).ok);
    host.editAnswers.push_back({true, "c", "d"});
    doc.OnEntryAdd();
    doc.OnOptionsSaveImmediate();
    EXPECT_EQ(host.profile["Options/Save immediate"], 1);
    const std::string now = ReadBytes(g);
    EXPECT_EQ(now.substr(0, 13), std::string("\x00\x00\x0B\x01\x08" "010b0000", 13));
    EXPECT_NE(now.find("6.12.2026"), std::string::npos);
    EXPECT_EQ(LoadEntries(g).size(), 3u);
    doc.OnEntryDelete();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(LoadEntries(g).size(), 2u);

    CCmdUI ui;
    doc.OnUpdateOptionsSaveImmediate(ui);
    EXPECT_EQ(ui.m_nCheck, 1);
    doc.OnOptionsSaveImmediate();
    EXPECT_EQ(host.profile["Options/Save immediate"], 0);
    doc.OnUpdateOptionsSaveImmediate(ui);
    EXPECT_EQ(ui.m_nCheck, 0);
}

// A read-only file fails silently: change kept, still modified, file untouched (vanished files: changed-file tests).
TEST_F(DocumentFileTest, SaveImmediateOntoAReadOnlyFileFailsSilently)
{
    ASSERT_TRUE(WriteEntries(f, {{"a", ""}}).ok);
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    doc.SetSaveImmediately(true);
    // Read-only for root too: nobody has write permission.
    const std::string before = ReadBytes(f);
    fs::permissions(f, fs::perms::owner_read, fs::perm_options::replace);
    host.editAnswers.push_back({true, "b", "d"});
    doc.OnEntryAdd();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Count(), 2);
    EXPECT_EQ(ReadBytes(f), before);
}

const timespec kOtherTimes[2] = {{1000000000, 0}, {1000000000, 0}};

// `theirs` is a document as long as the file, with other bytes.
const struct OtherProgram {
    const char* does;
    void (*act)(const std::string& path, const std::string& theirs);
    bool asks, removes;
} kOthers[] = {
    {"touches it", [](auto& p, auto&) { ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), kOtherTimes, 0), 0); }, false, false},
    {"copies over it", [](auto& p, auto& t) { WriteBytes(p, ReadBytes(t)); }, true, false},
    {"renames a new version over it", [](auto& p, auto& t) { ASSERT_EQ(std::rename(t.c_str(), p.c_str()), 0); }, true, false},
    {"rewrites it in place and sets its times back", [](auto& p, auto& t) {
         struct stat before {};
         ASSERT_EQ(::stat(p.c_str(), &before), 0);
         std::fstream(p, std::ios::in | std::ios::out | std::ios::binary) << ReadBytes(t);
         const timespec times[2] = {before.st_atim, before.st_mtim};
         ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
     }, true, false},
    {"deletes it", [](auto& p, auto&) { ASSERT_EQ(::unlink(p.c_str()), 0); }, true, true},
};

// Save asks each time before writing over another's version (or re-making a removed file), an
// immediate save once a version; Keep writes nothing, stays modified. A touched file is no alarm.
TEST(ChangedFile, WritingOverAnotherVersionIsAsked)
{
    TempFolder dir;
    const std::string path = dir / "notes.ovr", theirs = dir / "theirs.ovr";
    for (const OtherProgram& other : kOthers) {
        for (const bool immediate : {false, true}) {
            SCOPED_TRACE(std::string(other.does) + (immediate ? ", immediate save" : ", Save"));
            ASSERT_TRUE(WriteEntries(path, {{"alpha", "about alpha"}}).ok);
            ASSERT_TRUE(WriteEntries(theirs, {{"omega", "about omega"}}).ok);
            FakeHost host;
            COvrinDoc doc(host);
            ASSERT_TRUE(OpenDocumentFile(doc, path).ok);
            doc.SetSaveImmediately(immediate);
            const auto add = [&] {
                host.editAnswers.push_back({true, "mine", "mine"});
                doc.OnEntryAdd();
            };
            ::usleep(20000);  // file times come in ticks of milliseconds
            const std::string before = other.removes ? std::string() : ReadBytes(theirs);
            other.act(path, theirs);
            add();
            add();
            if (!other.asks) {
                EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
                EXPECT_TRUE(host.changedFilesAsked.empty());
                continue;
            }
            if (!immediate) {
                host.changedFileAnswers = {ChangedFileAnswer::Keep, ChangedFileAnswer::SaveAs};
                EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::Cancelled);
                EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::NameWanted);
            }
            const std::string asked = other.removes ? path + " removed" : path;
            EXPECT_EQ(host.changedFilesAsked, std::vector<std::string>(immediate ? 1 : 2, asked));
            EXPECT_EQ(ReadBytes(path), before);
            EXPECT_TRUE(doc.IsModified());
            // As if the other program had written yet another version.
            doc.KnownFileOnDisk().keptOther.reset();
            host.changedFileAnswers = {ChangedFileAnswer::Overwrite};
            if (immediate)
                add();
            else
                EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
            EXPECT_FALSE(doc.IsModified());
            EXPECT_EQ(LoadEntries(path).size(), immediate ? 4u : 3u);
        }
    }
}

// A watcher: when a save's temporary file appears in `folder` it stops this process, renames
// `theirs` over `path`, lets it go on; exits 0 when the temporary file still stood at the rename.
pid_t RenameOverDuringNextSave(const std::string& folder, const std::string& path, const std::string& theirs)
{
    const int watch = ::inotify_init1(IN_CLOEXEC);
    if (watch < 0 || ::inotify_add_watch(watch, folder.c_str(), IN_CREATE) < 0)
        return -1;
    const pid_t saver = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(watch);
        return pid;
    }
    alignas(inotify_event) char events[4096];
    for (;;) {
        const ssize_t n = ::read(watch, events, sizeof events);
        if (n <= 0)
            ::_exit(2);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(events + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string temp = event->len ? event->name : "";
            if (temp.find(".ovrin-save-") == std::string::npos)
                continue;
            ::kill(saver, SIGSTOP);
            // Stopped once its state says so.
            for (;;) {
                std::ifstream stat("/proc/" + std::to_string(saver) + "/stat");
                std::string pidField, name, state;
                stat >> pidField >> name >> state;
                if (state == "T" || state == "t")
                    break;
                ::usleep(100);
            }
            const bool inTime = ::access((folder + "/" + temp).c_str(), F_OK) == 0;
            const bool renamed = std::rename(theirs.c_str(), path.c_str()) == 0;
            ::kill(saver, SIGCONT);
            ::_exit(inTime && renamed ? 0 : 3);
        }
    }
}

// A version renamed over the file while a large document is written (or in place, for a hard-linked
// file) is asked about as before: nothing replaced, no temporary left; with consent the next save writes.
TEST(ChangedFile, VersionArrivingDuringTheSaveIsAsked)
{
    // About 32 MB, whose writing outlasts the watcher's rename.
    std::vector<Entry> entries;
    for (int i = 0; i < 2000; ++i)
        entries.push_back({"key " + std::to_string(i), std::string(16000, 'd'), "1.1.2000"});
    for (const char* how : {"Save", "Save of a file with a second name", "immediate save"}) {
        SCOPED_TRACE(how);
        TempFolder dir;
        const std::string path = dir / "notes.ovr", theirs = dir / "theirs.ovr";
        ASSERT_TRUE(WriteEntries(path, {{"alpha", "about alpha"}}).ok);
        ASSERT_TRUE(WriteEntries(theirs, {{"omega", "about omega"}}).ok);
        const bool immediate = how[0] == 'i', twoNames = std::string_view(how).find("second") != std::string_view::npos;
        if (twoNames)
            fs::create_hard_link(path, dir / "second.ovr");
        const std::string theirBytes = ReadBytes(theirs);
        FakeHost host;
        COvrinDoc doc(host);
        ASSERT_TRUE(OpenDocumentFile(doc, path).ok);
        SetEntries(doc, entries);
        doc.SetModifiedFlag(true);
        doc.SetSaveImmediately(immediate);

        const pid_t watcher = RenameOverDuringNextSave(dir.Path().string(), path, theirs);
        ASSERT_GT(watcher, 0);
        host.changedFileAnswers = {ChangedFileAnswer::Keep};
        if (immediate) {
            host.editAnswers.push_back({true, "mine", "mine"});
            doc.OnEntryAdd();
        } else {
            EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::Cancelled);
        }
        int status = 0;
        ::waitpid(watcher, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the rename did not come during the save";
        EXPECT_EQ(host.changedFilesAsked, std::vector<std::string>{path});
        EXPECT_TRUE(ReadBytes(path) == theirBytes);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(dir.Names(), (twoNames ? std::vector<std::string>{"notes.ovr", "second.ovr"}
                                         : std::vector<std::string>{"notes.ovr"}));
        if (immediate)
            continue;
        host.changedFileAnswers = {ChangedFileAnswer::Overwrite};
        EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
        EXPECT_EQ(LoadEntries(path).size(), 2000u);
    }
}
}  // namespace
