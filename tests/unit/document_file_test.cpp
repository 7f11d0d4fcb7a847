// SPDX-License-Identifier: MIT
// Opening and saving files, and the "Save immediate" option.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <stdlib.h>
#include <sys/stat.h>

#include "doc/cmd_ui.h"
#include "doc/document_file.h"
#include "doc_test_support.h"
#include "fs_test_support.h"

namespace fs = std::filesystem;

namespace {

class DocumentFileTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
    fs::path dir;

    fs_test::TempFolder folder;

    void SetUp() override { dir = folder.Path(); }
    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // A file holding the given key words, written through a second document.
    std::string MakeFile(const std::string& name, const std::vector<std::string>& keys)
    {
        FakeHost h;
        COvrinDoc d(h);
        FillTable(d, keys);
        EXPECT_TRUE(SaveDocumentFile(d, PathOf(name)).ok);
        return PathOf(name);
    }
};

// Open reads the file, names the document and leaves it unmodified; the
// undo stack of the previous file survives.
TEST_F(DocumentFileTest, OpenNamesTheDocumentAndKeepsUndo)
{
    const std::string f = MakeFile("f.ovr", {"x", "y"});
    FillTable(doc, {"old"});
    doc.OnEntryDelete();
    FileResult r = OpenDocumentFile(doc, f);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(doc.GetPathName(), f);
    EXPECT_EQ(doc.m_strFilePath, f);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_nUndoCount, 1);
}

// A damaged file ends in an empty untitled document with a clear message; a
// missing file changes nothing at all; an empty file is an empty document.
TEST_F(DocumentFileTest, FailedOpensAndEmptyFile)
{
    const std::string f = MakeFile("f.ovr", {"a", "b"});
    std::string bytes = Read(f);
    Write(PathOf("cut.ovr"), bytes.substr(0, bytes.size() - 1));
    FillTable(doc, {"mine"});
    doc.SetPathName("/mine.ovr");
    doc.SetModifiedFlag(true);

    FileResult missing = OpenDocumentFile(doc, PathOf("none.ovr"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, FileResult::Error::CannotOpen);
    EXPECT_NE(missing.message.find("none.ovr"), std::string::npos);
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"mine"}));
    EXPECT_TRUE(doc.IsModified());

    // A file of length 0 is an empty document under that name.
    Write(PathOf("empty.ovr"), "");
    doc.m_strFilePath = "/mine.ovr";
    ASSERT_TRUE(OpenDocumentFile(doc, PathOf("empty.ovr")).ok);
    EXPECT_EQ(doc.m_nCount, 0);
    EXPECT_EQ(doc.m_strFilePath, PathOf("empty.ovr"));
    EXPECT_EQ(doc.GetPathName(), PathOf("empty.ovr"));
    EXPECT_FALSE(doc.IsModified());

    FileResult cut = OpenDocumentFile(doc, PathOf("cut.ovr"));
    EXPECT_FALSE(cut.ok);
    EXPECT_EQ(cut.error, FileResult::Error::BadFormat);
    EXPECT_EQ(cut.message.rfind("Unexpected file format.", 0), 0u);
    EXPECT_EQ(doc.m_nCount, 0);
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_TRUE(doc.m_strFilePath.empty());
}

// With the option on, a change goes to the file that the window names:
// after Save As the new file, and an untitled document once it has been
// saved. A file of an unknown version changes nothing, so it is never
// overwritten.
TEST_F(DocumentFileTest, SaveImmediateWritesTheFileTheWindowNames)
{
    doc.OnOptionsSaveImmediate();
    EXPECT_EQ(host.profile["Options/Save immediate"], 1);
    host.editAnswers.push_back({true, "new", "d"});
    doc.OnEntryAdd();
    EXPECT_TRUE(doc.IsModified());  // untitled: nothing written
    ASSERT_TRUE(SaveDocumentFile(doc, PathOf("u.ovr")).ok);
    host.editAnswers.push_back({true, "next", "d"});
    doc.OnEntryAdd();
    EXPECT_FALSE(doc.IsModified());
    FakeHost h;
    COvrinDoc reread(h);
    ASSERT_TRUE(OpenDocumentFile(reread, PathOf("u.ovr")).ok);
    EXPECT_EQ(reread.m_arrKeyWords, (std::vector<std::string>{"new", "next"}));

    const std::string f = MakeFile("f.ovr", {"a"});
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    ASSERT_TRUE(SaveDocumentFile(doc, PathOf("g.ovr")).ok);
    host.editAnswers.push_back({true, "b", "d"});
    doc.OnEntryAdd();
    EXPECT_FALSE(doc.IsModified());
    ASSERT_TRUE(OpenDocumentFile(reread, f).ok);
    EXPECT_EQ(reread.m_arrKeyWords, (std::vector<std::string>{"a"}));
    ASSERT_TRUE(OpenDocumentFile(reread, PathOf("g.ovr")).ok);
    EXPECT_EQ(reread.m_arrKeyWords, (std::vector<std::string>{"a", "b"}));

    // A newer version written by someone else: refused with the hint, and
    // the open document keeps its entries, name, flag and file.
    const std::string foreign("\x00\x00\x0C\x01\x08" "010c0000" "\x00\x00\x00\x00", 17);
    Write(PathOf("new.ovr"), foreign);
    doc.m_bSaveImmediate = false;
    host.editAnswers.push_back({true, "c", "d"});
    doc.OnEntryAdd();
    FileResult r = OpenDocumentFile(doc, PathOf("new.ovr"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, FileResult::Error::UnknownVersion);
    EXPECT_EQ(host.hints.back(), "Ung\xFCltiges Dokument");
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(doc.GetPathName(), PathOf("g.ovr"));
    EXPECT_EQ(doc.m_strFilePath, PathOf("g.ovr"));
    EXPECT_TRUE(doc.IsModified());
    doc.OnOptionsSaveImmediate();
    EXPECT_EQ(Read(PathOf("new.ovr")), foreign);

    // Deleting rewrites the whole file: reading it gives the rest exactly.
    doc.OnEntryDelete();
    ASSERT_TRUE(OpenDocumentFile(reread, PathOf("g.ovr")).ok);
    EXPECT_EQ(reread.m_nCount, 2);

    CCmdUI ui;
    doc.OnUpdateOptionsSaveImmediate(ui);
    EXPECT_EQ(ui.m_nCheck, 1);
    doc.OnOptionsSaveImmediate();
    EXPECT_EQ(host.profile["Options/Save immediate"], 0);
    doc.OnUpdateOptionsSaveImmediate(ui);
    EXPECT_EQ(ui.m_nCheck, 0);
}

// A file that vanished or became read-only fails silently: the change stays
// in the document, which stays modified, and the file is not touched.
TEST_F(DocumentFileTest, SaveImmediateFailsSilently)
{
    const std::string f = MakeFile("f.ovr", {"a"});
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    doc.m_bSaveImmediate = true;
    // Read-only for root too: nobody has write permission.
    const std::string before = Read(f);
    fs::permissions(f, fs::perms::owner_read, fs::perm_options::replace);
    host.editAnswers.push_back({true, "b", "d"});
    doc.OnEntryAdd();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_nCount, 2);
    EXPECT_EQ(Read(f), before);
    fs::permissions(f, fs::perms::owner_all, fs::perm_options::replace);
    fs::remove(f);
    host.editAnswers.push_back({true, "c", "d"});
    doc.OnEntryAdd();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(fs::exists(f));  // not created when missing
}

// Switching the option on rewrites an old-version file as the new version.
TEST_F(DocumentFileTest, SwitchingOnRewritesOldVersion)
{
    Write(PathOf("old.ovr"), std::string("\x00\x00\x0A\x01\x08" "010a0000" "\x01\x00\x00\x00"
                                         "\x01" "k" "\x01" "d", 21));
    ASSERT_TRUE(OpenDocumentFile(doc, PathOf("old.ovr")).ok);
    doc.OnOptionsSaveImmediate();
    const std::string now = Read(PathOf("old.ovr"));
    EXPECT_EQ(now.substr(0, 13), std::string("\x00\x00\x0B\x01\x08" "010b0000", 13));
    EXPECT_NE(now.find("6.12.2026"), std::string::npos);
}

// A save into a missing folder fails with the reason and changes nothing.
TEST_F(DocumentFileTest, FailedSaveKeepsTheOldFile)
{
    const std::string f = MakeFile("f.ovr", {"a"});
    const std::string before = Read(f);
    FillTable(doc, {"b"});
    doc.SetModifiedFlag(true);
    FileResult nowhere = SaveDocumentFile(doc, PathOf("no/such/folder.ovr"));
    EXPECT_FALSE(nowhere.ok);
    EXPECT_EQ(nowhere.error, FileResult::Error::CannotWrite);
    EXPECT_NE(nowhere.message.find("folder.ovr"), std::string::npos);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().empty());
}

}  // namespace
