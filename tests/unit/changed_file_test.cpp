// SPDX-License-Identifier: MIT
// Another program changes the document's file after it was read: Save and
// "Save immediate" ask before writing over the other version, and never
// when only the file's times changed.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include <fcntl.h>
#include <sys/stat.h>

#include "fs_test_support.h"

namespace {

using namespace fs_test;

struct OtherProgram {
    const char* does;
    std::function<void(const std::string& path, const std::string& theirs)> act;
    bool removes;
};

// `theirs` is a document of the same length as the file, other bytes.
const OtherProgram kOthers[] = {
    {"copies over it", [](const std::string& p, const std::string& t) { WriteBytes(p, ReadBytes(t)); }, false},
    {"renames a new version over it",
     [](const std::string& p, const std::string& t) { ASSERT_EQ(std::rename(t.c_str(), p.c_str()), 0); }, false},
    {"deletes it", [](const std::string& p, const std::string&) { ASSERT_EQ(::unlink(p.c_str()), 0); }, true},
};

class ChangedFile : public ::testing::Test {
protected:
    TempFolder dir;
    const std::string path = dir / "notes.ovr";
    const std::string theirs = dir / "theirs.ovr";
    FakeHost host;
    COvrinDoc doc{host};

    void SetUp() override
    {
        SaveEntries(path, {{"alpha", "about alpha"}});
        SaveEntries(theirs, {{"omega", "about omega"}});
        ASSERT_TRUE(OpenDocumentFile(doc, path).ok);
        host.changedFileAnswers.clear();
        host.changedFilesAsked.clear();
        // A file system stamps times in ticks of a few milliseconds: the
        // other program comes later, as it would.
        ::usleep(20000);
    }
    void Add(const std::string& keyWords)
    {
        host.editAnswers.push_back({true, keyWords, "mine"});
        doc.OnEntryAdd();
    }
    std::string Asked(bool removes) const { return removes ? path + " removed" : path; }
};

// Guards against Save writing over another program's version without a
// word: the person is asked; keeping the other version writes nothing and
// leaves the document modified; overwriting (or writing a removed file
// again) then saves.
TEST_F(ChangedFile, SaveAsksBeforeWritingOverAnotherVersion)
{
    for (const OtherProgram& other : kOthers) {
        SCOPED_TRACE(other.does);
        SetUp();
        const std::string before = other.removes ? std::string() : ReadBytes(theirs);
        other.act(path, theirs);
        Add("mine");
        host.changedFileAnswers = {ChangedFileAnswer::Keep, ChangedFileAnswer::SaveAs,
                                   ChangedFileAnswer::Overwrite};
        EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::Cancelled);
        EXPECT_EQ(SaveDocumentFile(doc, path).error, FileResult::Error::NameWanted);
        EXPECT_EQ(host.changedFilesAsked, std::vector<std::string>(2, Asked(other.removes)));
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
        EXPECT_EQ(LoadEntries(path).size(), 2u);
    }
}

// Guards against the alarm sounding for a file whose times alone changed
// (a sync tool touching it), and against a save forgetting the file it
// wrote, which would ask at the next save.
TEST_F(ChangedFile, TouchedFileIsSavedWithoutAQuestion)
{
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    Add("mine");
    EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
    Add("more");
    EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
    EXPECT_TRUE(host.changedFilesAsked.empty());
    EXPECT_EQ(LoadEntries(path).size(), 3u);
}

// Guards against "Save immediate" writing over another version, or
// creating a removed file again, without a word, and against asking at
// every later change once the person chose to keep the other version.
TEST_F(ChangedFile, ImmediateSaveAsksOnceForEachOtherVersion)
{
    for (const OtherProgram& other : kOthers) {
        SCOPED_TRACE(other.does);
        SetUp();
        doc.m_bSaveImmediate = true;
        Add("saved at once");
        const std::string before = other.removes ? std::string() : ReadBytes(theirs);
        other.act(path, theirs);
        Add("mine");
        Add("more");
        EXPECT_EQ(host.changedFilesAsked, std::vector<std::string>{Asked(other.removes)});
        EXPECT_EQ(ReadBytes(path), before);
        EXPECT_EQ(::access(path.c_str(), F_OK) == 0, !other.removes);
        EXPECT_TRUE(doc.IsModified());
        // Another version still, or the person's say-so for a removed one.
        host.changedFileAnswers = {ChangedFileAnswer::Overwrite, ChangedFileAnswer::Overwrite};
        if (other.removes) {
            EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
            ASSERT_EQ(::unlink(path.c_str()), 0);
        } else {
            SaveEntries(theirs, {{"omega", "about omega"}});
            ::usleep(20000);
            other.act(path, theirs);
        }
        Add("last");
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(LoadEntries(path).size(), 5u);
    }
}

}  // namespace
