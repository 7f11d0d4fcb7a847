// SPDX-License-Identifier: MIT
// Add, Edit, Delete, Undo and their key-word order, walking, and the commands' update rules.
#include <gtest/gtest.h>

#include <utility>

#include "core/search/find_dlg_state.h"
#include "core/document/cmd_ui.h"
#include "core/document/command_ids.h"
#include "../common/test_documents.h"
#include "core/text/text_form.h"
#include "fake_host.h"
#include "fs_test_support.h"

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

// Only the edited entry moves, before equal keys, unordered tables too; each edit restamps and marks.
TEST_F(CommandsTest, EditMovesOnlyTheEditedEntry)
{
    struct Case {
        Keys table;
        int current;
        std::string newKey;
        Keys order;
        int landsOn;
    };
    const Case cases[] = {
        {{"a", "f", "m", "x"}, 0, "m", {"f", "m", "m", "x"}, 1},
        {{"q", "b", "z", "c"}, 3, "r", {"q", "b", "r", "z"}, 2},
        {{"q", "b", "z", "c"}, 0, "y", {"b", "z", "c", "y"}, 3},
        {{"a", "b", "c"}, 1, "b", {"a", "b", "c"}, 1},
        // Ordered: up behind equal keys, down before them; prefixes, non-ASCII bytes unsigned.
        {{"a", "b", "b", "c", "d"}, 4, "b", {"a", "b", "b", "b", "c"}, 3},
        {{"a", "b", "c", "c", "d"}, 0, "c", {"b", "c", "c", "c", "d"}, 1},
        {{"Z", "a", "aa", "ä"}, 0, "ab", {"a", "aa", "ab", "ä"}, 2},
        {{"Z", "a", "aa", "ä"}, 3, "a", {"Z", "a", "a", "aa"}, 2},
        {{"a", "b", "c"}, 0, "d", {"b", "c", "d"}, 2},
    };
    for (const Case& c : cases) {
        FillTable(doc, c.table);
        doc.SetModifiedFlag(false);
        doc.SetCurrent(c.current);
        const std::string description(doc.Descriptions()[c.current]);
        host.editAnswers.push_back({true, c.newKey, description});
        doc.OnEntryEdit();
        EXPECT_EQ(host.editShown.back().first, c.table[c.current]);
        EXPECT_EQ(doc.KeyWords(), c.order);
        ASSERT_EQ(doc.Current(), c.landsOn) << c.newKey;
        EXPECT_EQ(doc.Descriptions()[c.landsOn], description);
        EXPECT_EQ(doc.Dates()[c.landsOn], "6.12.2026");
        EXPECT_TRUE(doc.IsModified());
    }
}

// Add stores the prompts and today's date; Cancel changes nothing.
TEST_F(CommandsTest, AddWithPromptsAndCancel)
{
    host.today = {31, 10, 2026};
    host.editAnswers.push_back({true, g_strKeyWordsPrompt, g_strDescriptionPrompt});
    doc.OnEntryAdd();
    ASSERT_EQ(host.editShown.size(), 1u);
    EXPECT_EQ(host.editShown[0], std::pair(g_strKeyWordsPrompt, g_strDescriptionPrompt));
    EXPECT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Current(), 0);
    EXPECT_EQ(doc.KeyWords()[0], g_strKeyWordsPrompt);
    EXPECT_EQ(doc.Dates()[0], "31.10.2026");
    EXPECT_EQ(host.updates, 1);

    FillTable(doc, {"a", "b"});
    doc.SetModifiedFlag(false);
    doc.SetCurrent(1);
    host.updates = 1;
    host.editAnswers = {{false, "zzz", "zzz"}, {false, "zzz", "zzz"}};
    doc.OnEntryAdd();
    doc.OnEntryEdit();
    EXPECT_EQ(host.editShown.size(), 3u);
    EXPECT_EQ(doc.Count(), 2);
    EXPECT_EQ(doc.Current(), 1);
    EXPECT_EQ(doc.KeyWords()[1], "b");
    EXPECT_EQ(doc.Dates()[1], "1.1.2000");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host.updates, 1);
}

TEST(EntryDate, HasNoLeadingZerosAndAFourPlaceYear)
{
    EXPECT_EQ(FormatEntryDate({5, 3, 998}), "5.3. 998");
}

// Delete moves to the entry before and marks the change, also for the last entry.
TEST_F(CommandsTest, DeleteMovesBackAndMarksModified)
{
    for (int current : {0, 1, 2}) {
        FillTable(doc, {"a", "b", "c"});
        doc.SetCurrent(current);
        doc.OnEntryDelete();
        EXPECT_EQ(doc.Current(), current == 0 ? 0 : current - 1);
        EXPECT_TRUE(doc.IsModified());
    }
    EXPECT_EQ(doc.KeyWords(), (Keys{"a", "b"}));
    EXPECT_EQ(doc.Descriptions(), (Keys{"d:a", "d:b"}));

    FillTable(doc, {"only"});
    doc.SetModifiedFlag(false);
    doc.OnEntryDelete();
    EXPECT_EQ(doc.Count(), 0);
    EXPECT_EQ(doc.Current(), 0);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(ArraysConsistent(doc));
    for (int id : {cmd::ID_ENTRY_EDIT, cmd::ID_ENTRY_DELETE, cmd::ID_ENTRY_FIND})
        EXPECT_FALSE(Enabled(doc, id)) << id;
    EXPECT_TRUE(Enabled(doc, cmd::ID_ENTRY_UNDO));
    const int undoCount = doc.UndoCount();
    doc.OnEntryDelete();
    EXPECT_EQ(doc.UndoCount(), undoCount);
}

// Undo gives back the stored entry, date included, then disables itself.
TEST_F(CommandsTest, UndoRestoresTheStoredEntry)
{
    SetEntries(doc, {{"a", "d:a", "1.1.2000"}, {"b", "d:b", "3.4.1999"}});
    doc.SetCurrent(1);
    doc.OnEntryDelete();
    doc.OnEntryUndo();
    EXPECT_EQ(doc.KeyWords(), (Keys{"a", "b"}));
    EXPECT_EQ(doc.Dates()[1], "3.4.1999");
    EXPECT_EQ(doc.Descriptions()[1], "d:b");
    EXPECT_FALSE(Enabled(doc, cmd::ID_ENTRY_UNDO));
}

// Undo into an empty table; New empties the stack and forgets the immediate saves' file.
TEST_F(CommandsTest, UndoIntoEmptyTableAndNewDocument)
{
    FillTable(doc, {"a", "b"});
    doc.OnEntryDelete();
    doc.OnEntryDelete();
    doc.OnEntryUndo();
    EXPECT_EQ(doc.Count(), 1);
    EXPECT_EQ(doc.Current(), 0);
    EXPECT_TRUE(doc.IsModified());

    doc.ShowKeyList(true);
    doc.SetPathName("/tmp/x.ovr");
    doc.SetFilePath("/tmp/x.ovr");
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_EQ(doc.Count(), 0);
    EXPECT_EQ(doc.Current(), -1);
    EXPECT_EQ(doc.UndoCount(), 0);
    EXPECT_FALSE(doc.ShowsKeyList());
    EXPECT_TRUE(doc.FilePath().empty());
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(ArraysConsistent(doc));
}

// Walking is enabled only where it moves; forced calls past the ends hint and keep the position.
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
        EXPECT_EQ(doc.Current(), landsOn) << id;
    }
    EXPECT_EQ(host.updates, 4);
    EXPECT_TRUE(host.hints.empty());

    doc.SetCurrent(2);
    doc.OnEntryNext();
    EXPECT_EQ(host.hints.back(), "last entry");
    EXPECT_EQ(doc.Current(), 2);
    doc.SetCurrent(0);
    doc.OnEntryBack();
    EXPECT_EQ(host.hints.back(), "first entry");
    EXPECT_EQ(doc.Current(), 0);
    FillTable(doc, {});
    doc.OnEntryNext();
    EXPECT_EQ(host.hints.back(), "no entry");
    doc.OnEntryLast();
    EXPECT_EQ(doc.Current(), -1);

    host.hints.clear();
    host.updates = 0;
    host.hintAnswers = {true, false};
    doc.OnEntryUndo();
    doc.OnEntryUndo();
    EXPECT_EQ(host.hints, (Keys{"empty Undo buffer", "empty Undo buffer"}));
    EXPECT_EQ(host.updates, 1);
}

// Find opens a fresh dialog state but only raises an open one (the window side: with the real dialog).
TEST_F(CommandsTest, FindOpensFreshOrRaises)
{
    FillTable(doc, {"a"});
    doc.SetFindPos(4);
    doc.FindState().m_strSearch = "old";
    doc.FindState().m_bInDescriptions = true;
    doc.OnEntryFind();
    EXPECT_EQ(host.findShown, 1);
    EXPECT_EQ(doc.Hit().pos, -1);
    EXPECT_TRUE(doc.FindState().m_strSearch.empty());
    EXPECT_FALSE(doc.FindState().m_bInDescriptions);
    EXPECT_EQ(doc.FindState().m_pDoc, &doc);

    doc.FindState().m_strSearch = "typed";
    doc.SetFindPos(7);
    doc.OnEntryFind();  // FakeHost: the window is open now
    EXPECT_EQ(host.findShown, 2);
    EXPECT_EQ(doc.FindState().m_strSearch, "typed");
    EXPECT_EQ(doc.Hit().pos, 7);
}

// Wide keys sort after every Windows-1252 one, whatever their bytes; the CLI import does the same.
TEST_F(CommandsTest, AddPlacesWideKeysAfterWindows1252Ones)
{
    const std::string ohm = TextFromUtf16(u"a\u03A9"), l = TextFromUtf16(u"\u0142");
    for (const std::string& k : {std::string("b"), l, std::string("ÿÿ"), ohm, std::string("ÿ"),
                                 std::string("a"), std::string("Z")}) {
        host.editAnswers.push_back({true, k, ""});
        doc.OnEntryAdd();
    }
    EXPECT_EQ(doc.KeyWords(), (std::vector<std::string>{"Z", "a", ohm, "b", "ÿ", "ÿÿ", l}));
    // An added key goes behind its equals.
    host.editAnswers.push_back({true, "a", "second"});
    doc.OnEntryAdd();
    EXPECT_EQ(doc.Current(), 2);
    EXPECT_EQ(doc.Descriptions()[2], "second");
}

// An unordered file scanned where the old table was ordered: binary search would leave "d" last.
TEST_F(CommandsTest, OutOfOrderFileStillScanned)
{
    fs_test::TempFolder folder;
    FillTable(doc, {"b", "z", "a", "c"});
    ASSERT_TRUE(SaveDocumentFile(doc, folder / "unordered.ovr").ok);
    doc.OnNewDocument();
    for (const char* k : {"a", "b", "c", "d"}) {
        host.editAnswers.push_back({true, k, "x"});
        doc.OnEntryAdd();
    }
    ASSERT_TRUE(OpenDocumentFile(doc, folder / "unordered.ovr").ok);
    host.editAnswers.push_back({true, "d", "new"});
    doc.OnEntryAdd();
    EXPECT_EQ(doc.Current(), 1);
    EXPECT_EQ(doc.KeyWords(), (std::vector<std::string>{"b", "d", "z", "a", "c"}));
}
}  // namespace
