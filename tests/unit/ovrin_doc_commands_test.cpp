// SPDX-License-Identifier: MIT
// Delete and Undo, walking, and the update rules of the document's commands.
#include <gtest/gtest.h>

#include "dialogs/logic/find_dlg_state.h"
#include "doc/cmd_ui.h"
#include "doc/command_ids.h"
#include "doc_test_support.h"

namespace {

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

// Deleting the last entry marks the document modified (so the deletion can
// be saved) and leaves position 0.
TEST_F(CommandsTest, DeletingTheOnlyEntry)
{
    FillTable(doc, {"only"});
    doc.SetModifiedFlag(false);
    doc.OnEntryDelete();
    EXPECT_EQ(doc.m_nCount, 0);
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_EQ(doc.m_nUndoCount, 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(ArraysConsistent(doc));
    for (int id : {cmd::ID_ENTRY_FIRST, cmd::ID_ENTRY_BACK, cmd::ID_ENTRY_NEXT,
                   cmd::ID_ENTRY_LAST, cmd::ID_ENTRY_EDIT, cmd::ID_ENTRY_DELETE,
                   cmd::ID_ENTRY_FIND})
        EXPECT_FALSE(Enabled(doc, id)) << id;
    EXPECT_TRUE(Enabled(doc, cmd::ID_ENTRY_UNDO));
    // A forced Delete on the empty table changes nothing.
    doc.OnEntryDelete();
    EXPECT_EQ(doc.m_nUndoCount, 1);
}

// The entry before the deleted one becomes current, or the follower at 0.
TEST_F(CommandsTest, DeleteMovesThePositionBack)
{
    for (int current : {0, 1, 2}) {
        FillTable(doc, {"a", "b", "c"});
        doc.m_nCurrent = current;
        doc.m_nViewEntry = doc.m_nPrintEntry = 1;
        doc.OnEntryDelete();
        EXPECT_EQ(doc.m_nCount, 2);
        EXPECT_EQ(doc.m_nCurrent, current == 0 ? 0 : current - 1);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(doc.m_nViewEntry, -1);
        EXPECT_EQ(doc.m_nPrintEntry, -1);
    }
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(doc.m_arrDescriptions, (std::vector<std::string>{"d:a", "d:b"}));
}

// Undo is last in first out, keeps the stored date, and sorts into the table
// as it is now, which may differ from where the entry was.
TEST_F(CommandsTest, UndoRestoresInReverseOrderIntoTheCurrentOrder)
{
    FillTable(doc, {"a", "b", "m", "x"});
    doc.m_arrDates[1] = "3.4.1999";
    doc.m_nCurrent = 1;
    doc.OnEntryDelete();  // b
    doc.m_nCurrent = 2;
    doc.OnEntryDelete();  // x
    EXPECT_EQ(doc.m_arrUndoKeyWords, (std::vector<std::string>{"b", "x"}));
    // Edit "a" into "c": the restored "b" now belongs in front of it.
    doc.m_nCurrent = 0;
    host.editAnswers.push_back({true, "c", "d:a"});
    doc.OnEntryEdit();
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"c", "m"}));

    doc.OnEntryUndo();
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"c", "m", "x"}));
    EXPECT_EQ(doc.m_nCurrent, 2);
    doc.OnEntryUndo();
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"b", "c", "m", "x"}));
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_EQ(doc.m_arrDates[0], "3.4.1999");
    EXPECT_EQ(doc.m_arrDescriptions[0], "d:b");
    EXPECT_EQ(doc.m_nUndoCount, 0);
    EXPECT_FALSE(Enabled(doc, cmd::ID_ENTRY_UNDO));
    EXPECT_TRUE(ArraysConsistent(doc));
    EXPECT_TRUE(host.hints.empty());
}

// A forced Undo with an empty stack says so; only OK redraws.
TEST_F(CommandsTest, UndoWithEmptyStackShowsHint)
{
    host.hintAnswers = {true, false};
    doc.OnEntryUndo();
    doc.OnEntryUndo();
    EXPECT_EQ(host.hints, (std::vector<std::string>{"empty Undo buffer", "empty Undo buffer"}));
    EXPECT_EQ(host.updates, 1);
    EXPECT_EQ(doc.m_nCount, 0);
}

// Undo into an empty table, and a new document emptying the stack.
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
    doc.m_bDinA4 = true;
    doc.m_nFindPos = 3;
    doc.SetPathName("/tmp/x.ovr");
    doc.m_strFilePath = "/tmp/x.ovr";
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.m_nCount, 0);
    EXPECT_EQ(doc.m_nCurrent, -1);
    EXPECT_EQ(doc.m_nUndoCount, 0);
    EXPECT_FALSE(doc.m_bKeyList);
    EXPECT_TRUE(doc.m_bDinA4);
    EXPECT_EQ(doc.m_nFindPos, 3);
    EXPECT_TRUE(doc.m_strFilePath.empty());
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(ArraysConsistent(doc));
}

// The walking rules at both ends, with one entry and with none.
TEST_F(CommandsTest, WalkingRules)
{
    using namespace cmd;
    for (int id : {ID_ENTRY_FIRST, ID_ENTRY_BACK, ID_ENTRY_NEXT, ID_ENTRY_LAST})
        EXPECT_FALSE(Enabled(doc, id)) << "empty " << id;
    FillTable(doc, {"a"});
    for (int id : {ID_ENTRY_FIRST, ID_ENTRY_BACK, ID_ENTRY_NEXT, ID_ENTRY_LAST})
        EXPECT_FALSE(Enabled(doc, id)) << "one " << id;

    FillTable(doc, {"a", "b", "c"});
    EXPECT_FALSE(Enabled(doc, ID_ENTRY_FIRST));
    EXPECT_FALSE(Enabled(doc, ID_ENTRY_BACK));
    EXPECT_TRUE(Enabled(doc, ID_ENTRY_NEXT));
    EXPECT_TRUE(Enabled(doc, ID_ENTRY_LAST));
    EXPECT_TRUE(doc.OnCommand(ID_ENTRY_NEXT));
    EXPECT_EQ(doc.m_nCurrent, 1);
    doc.OnCommand(ID_ENTRY_LAST);
    EXPECT_EQ(doc.m_nCurrent, 2);
    EXPECT_FALSE(Enabled(doc, ID_ENTRY_NEXT));
    EXPECT_FALSE(Enabled(doc, ID_ENTRY_LAST));
    doc.OnCommand(ID_ENTRY_BACK);
    EXPECT_EQ(doc.m_nCurrent, 1);
    doc.OnCommand(ID_ENTRY_FIRST);
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_EQ(host.updates, 4);
    EXPECT_TRUE(host.hints.empty());
}

// Forced calls past the ends show the right hint and keep the position.
TEST_F(CommandsTest, ForcedWalksShowHints)
{
    doc.OnEntryNext();
    EXPECT_EQ(host.hints.back(), "no entry");
    doc.OnEntryLast();
    EXPECT_EQ(doc.m_nCurrent, -1);
    doc.OnEntryBack();
    EXPECT_EQ(host.hints.back(), "first entry");
    doc.OnEntryFirst();
    EXPECT_EQ(doc.m_nCurrent, 0);

    FillTable(doc, {"a", "b"});
    doc.m_nCurrent = 1;
    doc.OnEntryNext();
    EXPECT_EQ(host.hints.back(), "last entry");
    EXPECT_EQ(doc.m_nCurrent, 1);
}

// View mode and the two format items: the active one checked and disabled.
TEST_F(CommandsTest, ViewModeAndFormatStates)
{
    using namespace cmd;
    EXPECT_EQ(StateOf(doc, ID_VIEW_DESCRIPTION).m_nCheck, 1);
    EXPECT_EQ(StateOf(doc, ID_VIEW_KEYWORDS).m_nCheck, 0);
    doc.OnCommand(ID_VIEW_KEYWORDS);
    EXPECT_TRUE(doc.m_bKeyList);
    EXPECT_EQ(StateOf(doc, ID_VIEW_KEYWORDS).m_nCheck, 1);
    EXPECT_TRUE(StateOf(doc, ID_VIEW_DESCRIPTION).m_bEnabled);

    CCmdUI variable = StateOf(doc, ID_FORMAT_VARIABLE);
    CCmdUI dina4 = StateOf(doc, ID_FORMAT_DINA4);
    EXPECT_EQ(variable.m_nCheck, 1);
    EXPECT_FALSE(variable.m_bEnabled);
    EXPECT_EQ(dina4.m_nCheck, 0);
    EXPECT_TRUE(dina4.m_bEnabled);
    doc.OnCommand(ID_FORMAT_DINA4);
    EXPECT_TRUE(doc.m_bDinA4);
    EXPECT_FALSE(StateOf(doc, ID_FORMAT_DINA4).m_bEnabled);
    doc.OnCommand(ID_FORMAT_VARIABLE);
    EXPECT_FALSE(doc.m_bDinA4);
}

// Find opens a fresh dialog state, but only brings an open one forward.
TEST_F(CommandsTest, FindOpensFreshOrRaises)
{
    FillTable(doc, {"a"});
    EXPECT_TRUE(Enabled(doc, cmd::ID_ENTRY_FIND));
    doc.m_nFindPos = 4;
    doc.m_pFindDlg->m_strSearch = "old";
    doc.m_pFindDlg->m_bInDescriptions = true;
    doc.m_pFindDlg->m_bFromFirst = true;
    doc.OnEntryFind();
    EXPECT_EQ(host.findShown, 1);
    EXPECT_EQ(doc.m_nFindPos, -1);
    EXPECT_TRUE(doc.m_pFindDlg->m_strSearch.empty());
    EXPECT_FALSE(doc.m_pFindDlg->m_bInDescriptions);
    EXPECT_TRUE(doc.m_pFindDlg->m_bFromFirst);
    EXPECT_EQ(doc.m_pFindDlg->m_pDoc, &doc);

    doc.m_pFindDlg->m_strSearch = "typed";
    doc.m_nFindPos = 7;
    doc.OnEntryFind();
    EXPECT_EQ(host.findShown, 2);
    EXPECT_EQ(doc.m_pFindDlg->m_strSearch, "typed");
    EXPECT_EQ(doc.m_nFindPos, 7);
}

}  // namespace
