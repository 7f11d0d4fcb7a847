// SPDX-License-Identifier: MIT
// Saving on the real file system.
#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>

#include "core/file/document_file.h"
#include "platform/safe_file.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {
// Bytes land where links lead, links and hard links stay; what may not be replaced is refused with a reason, untouched.
TEST(SafeSave, BytesLandWhereThePathLeadsOrAreRefused)
{
    TempFolder dir;
    fs::create_directory(dir.Path() / "real");
    WriteBytes(dir / "real/doc.ovr", "old");
    fs::create_symlink("real/doc.ovr", dir.Path() / "link.ovr");
    fs::create_symlink("link.ovr", dir.Path() / "chain.ovr");
    fs::create_symlink("real/later.ovr", dir.Path() / "dangling.ovr");
    fs::create_symlink("loop2.ovr", dir.Path() / "loop1.ovr");
    fs::create_symlink("loop1.ovr", dir.Path() / "loop2.ovr");
    WriteBytes(dir / "one.ovr", "old content, longer than the new");
    fs::create_hard_link(dir.Path() / "one.ovr", dir.Path() / "two.ovr");
    WriteBytes(dir / "ro.ovr", "keep me");
    fs::permissions(dir.Path() / "ro.ovr", static_cast<fs::perms>(0444));
    fs::create_symlink("ro.ovr", dir.Path() / "to-ro.ovr");
    const ino_t inode = InodeOf(dir / "one.ovr");
    const struct {
        std::string path, bytes, readFrom;
        bool ok;
    } saves[] = {
        {"chain.ovr", "new", "real/doc.ovr", true},  {"dangling.ovr", "made", "real/later.ovr", true},
        {"one.ovr", "new", "two.ovr", true},         {"two.ovr", std::string(100000, 'x'), "one.ovr", true},
        {"ro.ovr", "x", "ro.ovr", false},            {"to-ro.ovr", "x", "ro.ovr", false},
        {"loop1.ovr", "x", "", false},               {".", "x", "", false},
    };
    for (const auto& save : saves) {
        SCOPED_TRACE(save.path);
        std::string error;
        EXPECT_EQ(ReplaceFileContents(dir / save.path, save.bytes, error), save.ok);
        EXPECT_EQ(error.empty(), save.ok) << error;
        if (save.readFrom == "ro.ovr") {
            EXPECT_EQ(error, "the file is read-only");
        }
        if (!save.readFrom.empty()) {
            EXPECT_TRUE(ReadBytes(dir / save.readFrom) == (save.ok ? save.bytes : "keep me"));
        }
    }
    for (const char* link : {"chain.ovr", "link.ovr", "dangling.ovr", "to-ro.ovr"})
        EXPECT_TRUE(fs::is_symlink(dir.Path() / link)) << link;
    EXPECT_EQ(InodeOf(dir / "one.ovr"), inode);
    EXPECT_EQ(fs::hard_link_count(dir.Path() / "one.ovr"), 2u);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"chain.ovr", "dangling.ovr", "link.ovr", "loop1.ovr", "loop2.ovr",
                                                     "one.ovr", "real", "ro.ovr", "to-ro.ovr", "two.ovr"}));
}

// Never-replace writes a new file and keeps a file or link that took the name before or during the write.
TEST(SafeSave, OnlyCreateNeverReplaces)
{
    TempFolder dir;
    fs::create_symlink("nowhere.ovr", dir.Path() / "dangling.ovr");
    WriteBytes(dir / "linked.ovr", "kept");
    fs::create_hard_link(dir.Path() / "linked.ovr", dir.Path() / "other.ovr");
    std::string error;
    const auto write = [&](const std::string& name, const std::string& meanwhile) {
        return ReplaceFileContents(dir / name, [] { return 3; }, [&](int fd) {
            if (!meanwhile.empty()) WriteBytes(dir / name, meanwhile);
            return WriteAllTo(fd, "new");
        }, error, WhenMissing::OnlyCreate);
    };
    EXPECT_TRUE(write("new.ovr", "")) << error;
    for (const char* name : {"new.ovr", "dangling.ovr", "linked.ovr"}) EXPECT_FALSE(write(name, "")) << name;
    EXPECT_FALSE(write("raced.ovr", "theirs"));
    EXPECT_EQ(ReadBytes(dir / "new.ovr") + ReadBytes(dir / "linked.ovr") + ReadBytes(dir / "raced.ovr"), "newkepttheirs");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"dangling.ovr", "linked.ovr", "new.ovr", "other.ovr", "raced.ovr"}));
}

TEST(SafeSave, DocumentKeepsItsNameAndItsChangesWhenRefused)
{
    TempFolder dir;
    WriteBytes(dir / "target.ovr", "old");
    fs::create_symlink("target.ovr", dir.Path() / "link.ovr");
    FakeHost host;
    COvrinDoc doc(host);
    FillTable(doc, {"a"});
    ASSERT_TRUE(SaveDocumentFile(doc, dir / "link.ovr").ok);
    EXPECT_EQ(doc.GetPathName(), dir / "link.ovr");
    EXPECT_EQ(LoadEntries(dir / "target.ovr").size(), 1u);

    doc.SetModifiedFlag(true);
    const FileResult nowhere = SaveDocumentFile(doc, dir / "no/such/folder.ovr");
    EXPECT_EQ(nowhere.error, FileResult::Error::CannotWrite);
    EXPECT_EQ(nowhere.message, "Cannot save " + dir / "no/such/folder.ovr" + ": No such file or directory.");
    EXPECT_EQ(doc.GetPathName(), dir / "link.ovr");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.ovr", "target.ovr"}));
}

// Saved files are never world-readable whatever the umask; a save keeps an existing file's mode and owner.
TEST(SaveKeepsModeAndOwner, UmaskModesAndOwnersAreKept)
{
    TempFolder dir;
    std::string error;
    const mode_t old = ::umask(077);
    const bool privateOk = ReplaceFileContents(dir / "private.ovr", "x", error);
    ::umask(022);
    const bool sharedOk = ReplaceFileContents(dir / "shared.ovr", "x", error);
    WriteBytes(dir / "group.ovr", "x");
    fs::permissions(dir.Path() / "group.ovr", static_cast<fs::perms>(0640));
    const bool groupOk = ReplaceFileContents(dir / "group.ovr", "y", error);
    ::umask(old);
    ASSERT_TRUE(privateOk && sharedOk && groupOk) << error;
    EXPECT_EQ(fs::status(dir.Path() / "private.ovr").permissions(), static_cast<fs::perms>(0600));
    EXPECT_EQ(fs::status(dir.Path() / "shared.ovr").permissions(), static_cast<fs::perms>(0644));
    EXPECT_EQ(fs::status(dir.Path() / "group.ovr").permissions(), static_cast<fs::perms>(0640));
    if (::geteuid() != 0)
        GTEST_SKIP() << "modes checked; owners need root, who alone can give a file away";
    const Unprivileged nobody = Nobody();
    WriteBytes(dir / "theirs.ovr", "old");
    ASSERT_EQ(::chown((dir / "theirs.ovr").c_str(), nobody.uid, nobody.gid), 0);
    ASSERT_TRUE(ReplaceFileContents(dir / "theirs.ovr", "new", error)) << error;
    struct stat st {};
    ::stat((dir / "theirs.ovr").c_str(), &st);
    EXPECT_EQ(st.st_uid, nobody.uid);
    EXPECT_EQ(st.st_gid, nobody.gid);
    EXPECT_EQ(ReadBytes(dir / "theirs.ovr"), "new");

    // A user whose temporary file cannot take the document's group (not the user's) writes in place.
    ::chmod(dir.Path().c_str(), 0755);
    fs::create_directory(dir.Path() / "shared");
    GiveToChildUser(dir / "shared");
    const std::string grouped = dir / "shared/grouped.ovr";
    WriteBytes(grouped, "old");
    ASSERT_EQ(::chown(grouped.c_str(), nobody.uid, 0), 0);
    ::chmod(grouped.c_str(), 0664);
    const ino_t inode = InodeOf(grouped);
    RunInChild(true, [&]() -> std::string {
        std::string e;
        return ReplaceFileContents(grouped, "new", e) ? "" : "the save failed: " + e;
    });
    ::stat(grouped.c_str(), &st);
    EXPECT_EQ(st.st_gid, 0u);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(ReadBytes(grouped), "new");
    EXPECT_EQ(fs::directory_iterator(dir.Path() / "shared")->path().filename(), "grouped.ovr");
}

// Names of 237 to 255 bytes (too long for the usual temporary name) are saved and replaced; the temporary's
// cut name stays ours and apart from another long name's, and a killed save's one is cleared.
TEST(SafeSave, LongestNamesAreSavedAndCleared)
{
    TempFolder dir;
    std::string chinese;
    for (int i = 0; i < 80; ++i)
        chinese += "\xE8\xA8\x98";  // three bytes each
    const std::string names[] = {std::string(251, 'n') + ".ovr", chinese + ".ovr", std::string(237, 'n'),
                                 std::string(236, 'n')};
    std::vector<std::string> temps;
    for (const std::string& name : names) {
        SCOPED_TRACE(name.size());
        const std::string path = dir / name;
        std::string error, temp;
        const auto writeNoting = [&](int fd) {
            for (const std::string& n : dir.Names())
                if (n.front() == '.') temp = n;
            return WriteAllTo(fd, "second");
        };
        ASSERT_TRUE(ReplaceFileContents(path, "first", error)) << error;
        ASSERT_TRUE(ReplaceFileContents(path, [] { return 6; }, writeNoting, error)) << error;
        EXPECT_EQ(ReadBytes(path), "second");
        ASSERT_GE(temp.size(), 7u);
        EXPECT_LE(temp.size(), 255u);
        EXPECT_EQ(temp.compare(0, 21, "." + name.substr(0, 20)), 0) << temp;
        EXPECT_NE(temp.find(".ovrin-save-"), std::string::npos) << temp;
        temps.push_back(temp.substr(0, temp.size() - 6));
        // As a killed save leaves it.
        WriteBytes(dir / (temps.back() + "Killed"), "left");
        ASSERT_TRUE(ReplaceFileContents(path, "third", error)) << error;
    }
    EXPECT_NE(temps[0], temps[2]);
    EXPECT_EQ(temps[3], "." + names[3] + ".ovrin-save-");
    std::vector<std::string> expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.Names(), expected);
}

// A writable document in a folder the user (not root) may not write to can still be saved.
TEST(SaveRespectsWriteAccess, WritableFileInReadOnlyFolderIsSavedInPlace)
{
    TempFolder dir;
    const std::string folder = dir / "closed";
    fs::create_directory(folder);
    GiveToChildUser(folder);
    ::chmod(dir.Path().c_str(), 0755);
    const std::string f = folder + "/f.ovr";
    RunInChild(true, [&]() -> std::string {
        FakeHost host;
        COvrinDoc doc(host);
        FillTable(doc, {"a"});
        if (!SaveDocumentFile(doc, f).ok)
            return "cannot make the file";
        ::chmod(folder.c_str(), 0555);
        const ino_t inode = InodeOf(f);
        FillTable(doc, {"a", "b"});
        const FileResult saved = SaveDocumentFile(doc, f);
        if (!saved.ok)
            return "File/Save failed: " + saved.message;
        COvrinDoc reread(host);
        if (!OpenDocumentFile(reread, f).ok || reread.Count() != 2)
            return "the file does not hold the two entries";
        if (InodeOf(f) != inode)
            return "the file was replaced, not written in place";
        return "";
    });
    EXPECT_EQ(fs::hard_link_count(f), 1u);
}

// A full disk (a file-size limit) keeps the old content and leaves no temporary, on all three write paths.
TEST(SaveSurvivesFailures, FullDiskKeepsTheOldContent)
{
    TempFolder dir;
    const std::string old(3000, 'o');
    WriteBytes(dir / "f.ovr", old);
    WriteBytes(dir / "linked.ovr", old);
    fs::create_hard_link(dir.Path() / "linked.ovr", dir.Path() / "other-name.ovr");
    fs::create_directory(dir.Path() / "closed");
    WriteBytes(dir / "closed/g.ovr", old);
    GiveToChildUser(dir / "closed");
    GiveToChildUser(dir / "closed/g.ovr");
    ::chmod((dir / "closed").c_str(), 0555);
    ::chmod(dir.Path().c_str(), 0755);
    const auto limitFileSize = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{65536, 65536};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    for (const std::string name : {"f.ovr", "linked.ovr", "closed/g.ovr"}) {
        const std::string path = dir / name;
        RunInChild(
            name == "closed/g.ovr",
            [&]() -> std::string {
                std::string e;
                if (ReplaceFileContents(path, std::string(200000, 'n'), e))
                    return name + ": a save beyond the limit succeeded";
                return e.empty() ? name + ": a failure without a reason" : "";
            },
            limitFileSize);
        EXPECT_TRUE(ReadBytes(path) == old) << name << ": the old content is gone";
    }
    EXPECT_TRUE(ReadBytes(dir / "other-name.ovr") == old);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"closed", "f.ovr", "linked.ovr", "other-name.ovr"}));
}

// A killed save leaves old or new content; the next clears its litter, not a running save's, others' or own files.
TEST(SaveSurvivesFailures, KilledSavesLeaveOldOrNewAndNoLitter)
{
    TempFolder dir;
    const std::string f = dir / "f.ovr";
    const std::string a(8 << 20, 'a'), b(6 << 20, 'b');
    WriteBytes(f, a);
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        const std::string& next = round % 2 ? a : b;
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            std::string e;
            for (;;)
                ReplaceFileContents(f, next, e);
        }
        ::usleep(std::uniform_int_distribution<int>(2000, 40000)(random));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::string now = ReadBytes(f);
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }

    WriteBytes(dir / ".f.ovr.ovrin-save-Ab12Cd", "left by a killed save");
    WriteBytes(dir / ".f.ovr.ovrin-save-Cd34Ef", "another user's");
    ASSERT_EQ(::chown((dir / ".f.ovr.ovrin-save-Cd34Ef").c_str(), 65534, 65534), 0);
    for (const char* own : {".f.ovr.backup", ".f.ovr.orig12", ".f.ovr.Ab12Cd"})
        WriteBytes(dir / own, "the user's");
    WriteBytes(dir / ".g.ovr.ovrin-save-Ab12Cd", "another document's");
    WriteBytes(dir / ".f.ovr.ovrin-save-Zz99Yy", "a save still running");
    // A lock held through another open file, as another process's would be.
    const int running = ::open((dir / ".f.ovr.ovrin-save-Zz99Yy").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    std::string error;
    EXPECT_TRUE(ReplaceFileContents(f, "final", error)) << error;
    ::close(running);
    EXPECT_EQ(ReadBytes(f), "final");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{".f.ovr.Ab12Cd", ".f.ovr.backup", ".f.ovr.orig12",
                                                     ".f.ovr.ovrin-save-Cd34Ef", ".f.ovr.ovrin-save-Zz99Yy",
                                                     ".g.ovr.ovrin-save-Ab12Cd", "f.ovr"}));
}
}  // namespace
