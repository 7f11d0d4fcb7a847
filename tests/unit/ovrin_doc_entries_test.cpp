// SPDX-License-Identifier: MIT
// Add, Edit and the key-word order they keep.
#include <gtest/gtest.h>

#include "../common/test_documents.h"
#include "fake_host.h"

namespace {

using Keys = std::vector<std::string>;

class EntriesTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};

    void Add(const std::string& keyWords, const std::string& description = "text")
    {
        host.editAnswers.push_back({true, keyWords, description});
        doc.OnEntryAdd();
    }
};

// Only the edited entry moves, in front of equal keys, also in an unordered
// table; every edit restamps the date and marks the change.
TEST_F(EntriesTest, EditMovesOnlyTheEditedEntry)
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
        {{"a", "b", "c"}, 1, "b", {"a", "b", "c"}, 1},
    };
    for (const Case& c : cases) {
        FillTable(doc, c.table);
        doc.SetModifiedFlag(false);
        doc.m_nCurrent = c.current;
        const std::string description(doc.m_arrDescriptions[c.current]);
        host.editAnswers.push_back({true, c.newKey, description});
        doc.OnEntryEdit();
        EXPECT_EQ(host.editShown.back().first, c.table[c.current]);
        EXPECT_EQ(doc.m_arrKeyWords, c.order);
        ASSERT_EQ(doc.m_nCurrent, c.landsOn) << c.newKey;
        EXPECT_EQ(doc.m_arrDescriptions[c.landsOn], description);
        EXPECT_EQ(doc.m_arrDates[c.landsOn], "6.12.2026");
        EXPECT_TRUE(doc.IsModified());
    }
}

// Add stores the prompts and today's date; Cancel changes nothing.
TEST_F(EntriesTest, AddWithPromptsAndCancel)
{
    doc.m_nPrintEntry = 4;
    host.today = {31, 10, 2026};
    Add(g_strKeyWordsPrompt, g_strDescriptionPrompt);
    ASSERT_EQ(host.editShown.size(), 1u);
    EXPECT_EQ(host.editShown[0], std::pair(g_strKeyWordsPrompt, g_strDescriptionPrompt));
    EXPECT_EQ(doc.m_nCount, 1);
    EXPECT_EQ(doc.m_nCurrent, 0);
    EXPECT_EQ(doc.m_arrKeyWords[0], g_strKeyWordsPrompt);
    EXPECT_EQ(doc.m_arrDates[0], "31.10.2026");
    EXPECT_EQ(doc.m_nPrintEntry, -1);
    EXPECT_EQ(host.updates, 1);

    FillTable(doc, {"a", "b"});
    doc.SetModifiedFlag(false);
    doc.m_nCurrent = 1;
    host.editAnswers = {{false, "zzz", "zzz"}, {false, "zzz", "zzz"}};
    doc.OnEntryAdd();
    doc.OnEntryEdit();
    EXPECT_EQ(host.editShown.size(), 3u);
    EXPECT_EQ(doc.m_nCount, 2);
    EXPECT_EQ(doc.m_nCurrent, 1);
    EXPECT_EQ(doc.m_arrKeyWords[1], "b");
    EXPECT_EQ(doc.m_arrDates[1], "1.1.2000");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host.updates, 1);
}

TEST(EntryDate, HasNoLeadingZerosAndAFourPlaceYear)
{
    EXPECT_EQ(FormatEntryDate({1, 1, 2026}), "1.1.2026");
    EXPECT_EQ(FormatEntryDate({5, 3, 998}), "5.3. 998");
}

}  // namespace
