// SPDX-License-Identifier: MIT
// Opening and saving files, and the "Save immediate" option.
#include <gtest/gtest.h>

#include "core/document/cmd_ui.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

class DocumentFileTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
    TempFolder dir;

    // A file holding the given key words, written through a second document.
    std::string MakeFile(const std::string& name, const std::vector<std::string>& keys)
    {
        FakeHost h;
        COvrinDoc d(h);
        FillTable(d, keys);
        EXPECT_TRUE(SaveDocumentFile(d, dir / name).ok);
        return dir / name;
    }
};

// Open reads the file, names the document and leaves it unmodified; the
// undo stack of the previous file survives.
TEST_F(DocumentFileTest, OpensAFile)
{
    const std::string f = MakeFile("f.ovr", {"x", "y"});
    FillTable(doc, {"old"});
    doc.OnEntryDelete();
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(doc.GetPathName(), f);
    EXPECT_EQ(doc.m_strFilePath, f);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_nUndoCount, 1);
}

// Switching "Save immediate" on rewrites the open file (an old-version one
// as the new version), and a deletion rewrites it whole. (That a foreign
// file is refused and leaves the document's name is guarded with the other
// unreadable files; that changes go to the file the window names after
// Save As, by the window's test.)
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

// A file that became read-only fails silently: the change stays in the
// document, which stays modified, and the file is not touched. (A file that
// vanished is asked about, with the other changed files.)
TEST_F(DocumentFileTest, SaveImmediateOntoAReadOnlyFileFailsSilently)
{
    const std::string f = MakeFile("f.ovr", {"a"});
    ASSERT_TRUE(OpenDocumentFile(doc, f).ok);
    doc.m_bSaveImmediate = true;
    // Read-only for root too: nobody has write permission.
    const std::string before = ReadBytes(f);
    fs::permissions(f, fs::perms::owner_read, fs::perm_options::replace);
    host.editAnswers.push_back({true, "b", "d"});
    doc.OnEntryAdd();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_nCount, 2);
    EXPECT_EQ(ReadBytes(f), before);
}

}  // namespace
