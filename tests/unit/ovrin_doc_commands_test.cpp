// SPDX-License-Identifier: MIT
// Delete and Undo, walking, and the update rules of the document's commands.
#include <gtest/gtest.h>

#include "core/search/find_dlg_state.h"
#include "core/document/cmd_ui.h"
#include "core/document/command_ids.h"
#include "../common/test_documents.h"
#include "fake_host.h"

namespace {

using Keys = std::vector<std::string>;

CCmdUI StateOf(const COvrinDoc& doc, int id)
{
    CCmdUI ui;
    EXPECT_TRUE(doc.OnUpdateCommand(id, ui)) << id;
    return ui;
}

bool Enabled(const COvrinDoc& doc, int id) { return StateOf(doc, id).m_bEnabled; }

class CommandsTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
};

// Delete moves to the entry before and marks the change, also for the last entry.
TEST_F(CommandsTest, DeleteMovesBackAndMarksModified)
{
    for (int current : {0, 1, 2}) {
        FillTable(doc, {"a", "b", "c"});
        doc.m_nCurrent = current;
        doc.m_nPrintEntry = 1;
        doc.OnEntryDelete();
        EXPECT_EQ(doc.m_nCurrent, current == 0 ? 0 : current - 1);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.m_nPrintEntry, -1);
    }
    EXPECT_EQ(doc.m_arrKeyWords, (Keys{"a", "b"}));
    EXPECT_EQ(doc.m_arrDescriptions, (Keys{"d:a", "d:b"}));

    FillTable(doc, {"only"});
    doc.SetModifiedFlag(false);
    doc.OnEntryDelete();
    EXPECT_EQ(doc.m_nCount, 0);
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(ArraysConsistent(doc));
    for (int id : {cmd::ID_ENTRY_EDIT, cmd::ID_ENTRY_DELETE, cmd::ID_ENTRY_FIND})
        EXPECT_FALSE(Enabled(doc, id)) << id;
    EXPECT_TRUE(Enabled(doc, cmd::ID_ENTRY_UNDO));
    const int undoCount = doc.m_nUndoCount;
    doc.OnEntryDelete();
    EXPECT_EQ(doc.m_nUndoCount, undoCount);
}

// Undo gives back the stored entry, date included, then disables itself.
TEST_F(CommandsTest, UndoRestoresTheStoredEntry)
{
    SetEntries(doc, {{"a", "d:a", "1.1.2000"}, {"b", "d:b", "3.4.1999"}});
    doc.m_nCurrent = 1;
    doc.OnEntryDelete();
    doc.OnEntryUndo();
    EXPECT_EQ(doc.m_arrKeyWords, (Keys{"a", "b"}));
    EXPECT_EQ(doc.m_arrDates[1], "3.4.1999");
    EXPECT_EQ(doc.m_arrDescriptions[1], "d:b");
    EXPECT_FALSE(Enabled(doc, cmd::ID_ENTRY_UNDO));
}

// Undo into an empty table, and a new document emptying the stack and
// forgetting the file that immediate saves would go to.
TEST_F(CommandsTest, UndoIntoEmptyTableAndNewDocument)
{
    FillTable(doc, {"a", "b"});
    doc.OnEntryDelete();
    doc.OnEntryDelete();
    doc.OnEntryUndo();
    EXPECT_EQ(doc.m_nCount, 1);
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_TRUE(doc.IsModified());

    doc.m_bKeyList = true;
    doc.SetPathName("/tmp/x.ovr");
    doc.m_strFilePath = "/tmp/x.ovr";
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_nCount, 0);
    EXPECT_EQ(doc.m_nCurrent, -1);
    EXPECT_EQ(doc.m_nUndoCount, 0);
    EXPECT_FALSE(doc.m_bKeyList);
    EXPECT_TRUE(doc.m_strFilePath.empty());
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(ArraysConsistent(doc));
}

// Walking is enabled only where it moves; forced calls past the ends hint
// and keep the position.
TEST_F(CommandsTest, WalkingRulesAndForcedCalls)
{
    using namespace cmd;
    const int walks[] = {ID_ENTRY_FIRST, ID_ENTRY_BACK, ID_ENTRY_NEXT, ID_ENTRY_LAST};
    for (const Keys& table : {Keys{}, Keys{"a"}}) {
        FillTable(doc, table);
        for (int id : walks)
            EXPECT_FALSE(Enabled(doc, id)) << table.size() << " entries, " << id;
    }
    FillTable(doc, {"a", "b", "c"});
    const std::pair<int, int> moves[] = {{ID_ENTRY_NEXT, 1}, {ID_ENTRY_LAST, 2}, {ID_ENTRY_BACK, 1}, {ID_ENTRY_FIRST, 0}};
    for (auto [id, landsOn] : moves) {
        EXPECT_TRUE(doc.OnCommand(id));
        EXPECT_EQ(doc.m_nCurrent, landsOn) << id;
    }
    EXPECT_EQ(host.updates, 4);
    EXPECT_TRUE(host.hints.empty());

    doc.m_nCurrent = 2;
    doc.OnEntryNext();
    EXPECT_EQ(host.hints.back(), "last entry");
    EXPECT_EQ(doc.m_nCurrent, 2);
    doc.m_nCurrent = 0;
    doc.OnEntryBack();
    EXPECT_EQ(host.hints.back(), "first entry");
    EXPECT_EQ(doc.m_nCurrent, 0);
    FillTable(doc, {});
    doc.OnEntryNext();
    EXPECT_EQ(host.hints.back(), "no entry");
    doc.OnEntryLast();
    EXPECT_EQ(doc.m_nCurrent, -1);

    host.hints.clear();
    host.updates = 0;
    host.hintAnswers = {true, false};
    doc.OnEntryUndo();
    doc.OnEntryUndo();
    EXPECT_EQ(host.hints, (Keys{"empty Undo buffer", "empty Undo buffer"}));
    EXPECT_EQ(host.updates, 1);
}

// Find opens a fresh dialog state, but only brings an open one forward (the
// window's side of this is checked with the real dialog).
TEST_F(CommandsTest, FindOpensFreshOrRaises)
{
    FillTable(doc, {"a"});
    doc.m_nFindPos = 4;
    doc.m_pFindDlg->m_strSearch = "old";
    doc.m_pFindDlg->m_bInDescriptions = true;
    doc.OnEntryFind();
    EXPECT_EQ(host.findShown, 1);
    EXPECT_EQ(doc.m_nFindPos, -1);
    EXPECT_TRUE(doc.m_pFindDlg->m_strSearch.empty());
    EXPECT_FALSE(doc.m_pFindDlg->m_bInDescriptions);
    EXPECT_EQ(doc.m_pFindDlg->m_pDoc, &doc);

    doc.m_pFindDlg->m_strSearch = "typed";
    doc.m_nFindPos = 7;
    doc.OnEntryFind();  // FakeHost: the window is open now
    EXPECT_EQ(host.findShown, 2);
    EXPECT_EQ(doc.m_pFindDlg->m_strSearch, "typed");
    EXPECT_EQ(doc.m_nFindPos, 7);
}

}  // namespace
