// SPDX-License-Identifier: MIT
// Add, Edit and the key-word order they keep.
#include <gtest/gtest.h>

#include "doc/cmd_ui.h"
#include "doc_test_support.h"

namespace {

class EntriesTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};

    void Add(const std::string& keyWords, const std::string& description = "text")
    {
        host.editAnswers.push_back({true, keyWords, description});
        doc.OnEntryAdd();
    }
    void EditCurrent(const std::string& keyWords)
    {
        host.editAnswers.push_back({true, keyWords, doc.m_arrDescriptions[doc.m_nCurrent]});
        doc.OnEntryEdit();
    }
};

// Keys compare as unsigned bytes: no case folding, accented letters last.
TEST_F(EntriesTest, KeyOrderIsByteOrder)
{
    Add("apple");
    Add("Zebra");
    EXPECT_EQ(doc.m_nCurrent, 0);
    Add("\xE4pfel");  // äpfel, byte E4
    Add("10");
    EXPECT_EQ(doc.m_arrKeyWords,
              (std::vector<std::string>{"10", "Zebra", "apple", "\xE4pfel"}));
    EXPECT_LT(CompareKeyWords("app", "apple"), 0);
    EXPECT_GT(CompareKeyWords("\x80", "z"), 0);
    EXPECT_TRUE(ArraysConsistent(doc));
}

// A new entry with an existing key lands behind all of its equals.
TEST_F(EntriesTest, AddLandsBehindEqualKeys)
{
    Add("m", "first");
    Add("m", "second");
    Add("a");
    Add("m", "third");
    EXPECT_EQ(doc.m_nCurrent, 3);
    EXPECT_EQ(doc.m_arrDescriptions,
              (std::vector<std::string>{"text", "first", "second", "third"}));
}

// Moving down, an edited entry stops in front of equal keys; only it moves.
TEST_F(EntriesTest, EditMovesOnlyTheEditedEntry)
{
    FillTable(doc, {"a", "f", "m", "x"});
    doc.m_nCurrent = 0;
    EditCurrent("m");
    EXPECT_EQ(doc.m_nCurrent, 1);
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"f", "m", "m", "x"}));
    EXPECT_EQ(doc.m_arrDescriptions, (std::vector<std::string>{"d:f", "d:a", "d:m", "d:x"}));
    EXPECT_EQ(doc.m_arrDates[1], "6.12.2026");
    EXPECT_EQ(doc.m_arrDates[0], "1.1.2000");
}

// A table read out of order stays so: only the edited entry moves, to the
// first key it is smaller than; in an ordered table an unchanged edit stays.
TEST_F(EntriesTest, UnorderedTableKeepsItsOrder)
{
    FillTable(doc, {"a", "b", "c"});
    doc.m_nCurrent = 1;
    EditCurrent("b");
    EXPECT_EQ(doc.m_nCurrent, 1);
    FillTable(doc, {"q", "b", "z", "c"});
    doc.m_nCurrent = 3;
    EditCurrent("r");
    EXPECT_EQ(doc.m_nCurrent, 2);
    EXPECT_EQ(doc.m_arrKeyWords, (std::vector<std::string>{"q", "b", "r", "z"}));
}

// Add offers the prompts, stores them unchanged and stamps today's date.
TEST_F(EntriesTest, AddWithPromptsIntoEmptyTable)
{
    doc.m_nViewEntry = 4;
    doc.m_nPrintEntry = 4;
    host.editAnswers.push_back({true, g_strKeyWordsPrompt, g_strDescriptionPrompt});
    doc.OnEntryAdd();
    ASSERT_EQ(host.editShown.size(), 1u);
    EXPECT_EQ(host.editShown[0].first, "<key words>");
    EXPECT_EQ(host.editShown[0].second, "<description>");
    EXPECT_EQ(doc.m_nCount, 1);
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_EQ(doc.m_arrDates[0], "6.12.2026");
    EXPECT_EQ(doc.m_nViewEntry, -1);
    EXPECT_EQ(doc.m_nPrintEntry, -1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(host.updates, 1);
}

// Cancel must leave everything as it was: no stamp, no flag, no redraw.
TEST_F(EntriesTest, CancelChangesNothing)
{
    FillTable(doc, {"a", "b"});
    doc.m_nCurrent = 1;
    host.editAnswers.push_back({false, "zzz", "zzz"});
    doc.OnEntryAdd();
    host.editAnswers.push_back({false, "zzz", "zzz"});
    doc.OnEntryEdit();
    EXPECT_EQ(doc.m_nCount, 2);
    EXPECT_EQ(doc.m_nCurrent, 1);
    EXPECT_EQ(doc.m_arrKeyWords[1], "b");
    EXPECT_EQ(doc.m_arrDates[1], "1.1.2000");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host.updates, 0);
}

// Edit with nothing changed still restamps the date and marks the change.
TEST_F(EntriesTest, UnchangedEditRestampsAndMarksModified)
{
    FillTable(doc, {"a"});
    host.today = {31, 10, 2026};
    host.editAnswers.push_back({true, "a", "d:a"});
    doc.OnEntryEdit();
    EXPECT_EQ(host.editShown.at(0).first, "a");
    EXPECT_EQ(doc.m_arrDates[0], "31.10.2026");
    EXPECT_TRUE(doc.IsModified());
}

// Edit with an empty table is disabled, and a forced call does nothing.
TEST_F(EntriesTest, EditNeedsAnEntry)
{
    CCmdUI ui;
    doc.OnUpdateEntryEdit(ui);
    EXPECT_FALSE(ui.m_bEnabled);
    doc.OnEntryEdit();
    EXPECT_TRUE(host.editShown.empty());
}

TEST(EntryDate, HasNoLeadingZerosAndAFourPlaceYear)
{
    EXPECT_EQ(FormatEntryDate({1, 1, 2026}), "1.1.2026");
    EXPECT_EQ(FormatEntryDate({24, 12, 2026}), "24.12.2026");
    EXPECT_EQ(FormatEntryDate({5, 3, 998}), "5.3. 998");
}

}  // namespace
