// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/recutils_import.h"

using namespace std::string_literals;

namespace {

const std::string kToday = "7.12.2026";

// Each entry read, as "key words|description|date".
std::vector<std::string> Entries(const std::string& text)
{
    const RecordSetReading reading = ReadRecordSet(text, kToday);
    EXPECT_TRUE(reading.ok) << reading.message;
    std::vector<std::string> entries;
    for (const ImportedEntry& e : reading.entries)
        entries.push_back(e.keyWords + "|" + e.description + "|" + e.date);
    return entries;
}

std::string Refusal(const std::string& text)
{
    const RecordSetReading reading = ReadRecordSet(text, kToday);
    EXPECT_FALSE(reading.ok);
    EXPECT_TRUE(reading.entries.empty());
    return reading.message;
}

}  // namespace

// A set written by hand: fields in any order, Number ignored, missing
// Description empty and missing Date today's, comments and blank-only lines
// between records, no line feed at the very end. An empty file, or one of
// comments and a descriptor, is an empty set.
TEST(RecutilsImport, ReadsHandWrittenRecords)
{
    EXPECT_EQ(Entries(
        "# my notes\n"
        "%rec: Entry\n"
        "%doc: anything the descriptor holds\n"
        "\n\n"
        "Description: first\n"
        "Number: 99\n"
        "KeyWords: b\n"
        "Date: 1.2.2003\n"
        " \t \n"
        "KeyWords: a\n"
        "# a comment inside a record\n"
        "\n"
        "KeyWords:no blank\n"
        "Description: x"),
              (std::vector<std::string>{"b|first|1.2.2003", "a||" + kToday, "no blank|x|" + kToday}));
    EXPECT_TRUE(Entries("").empty());
    EXPECT_TRUE(Entries("\xEF\xBB\xBF# only a comment\n\n%rec: Entry\n").empty());
}

// The line rules as recsel applies them: one blank (space or tab) after the
// colon dropped, others kept; "+" continues on a new line (CR LF in the
// document) with one optional space dropped but a tab kept; a trailing
// backslash joins the next line as it stands, also a "+" line; blanks at the
// end stay; an empty Date stays empty; UTF-8 becomes Windows-1252.
TEST(RecutilsImport, FollowsTheLineRules)
{
    EXPECT_EQ(Entries(
        "KeyWords:\t  two blanks  \n"
        "Description: one\n"
        "+two\n"
        "+  three\n"
        "+\tfour\n"
        "+\n"
        "+ joined \\\n"
        "+ not a break\\\\\n"
        "rest\n"
        "Date: \n"
        "\n"
        "KeyWords: Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81\n"
        "Description: \n"
        "+ \n"
        "+ \n"),
        (std::vector<std::string>{"  two blanks  |one\r\ntwo\r\n three\r\n\tfour\r\n\r\njoined + not a break\\rest|",
                                  "Caf\xE9 \x80 \x81|\r\n\r\n|" + kToday}));
}

// Nothing of the file may be dropped or guessed: every refusal names the
// line, and for a record its number (counted from 1, the descriptor not
// counted) and the field.
TEST(RecutilsImport, RefusesWhatItCannotTakeExactly)
{
    EXPECT_EQ(Refusal("KeyWords: a\n\nDescription: no key words\n"),
              "record 2 (line 3): the record has no KeyWords field");
    EXPECT_EQ(Refusal("KeyWords: a\nKeyword: typo\n"),
              "record 1 (line 1): unknown field \"Keyword\"; an entry has KeyWords, Description, "
              "Date and Number");
    EXPECT_EQ(Refusal("KeyWords: a\nDate: 1.1.2000\nDate: 2.2.2000\n"),
              "record 1 (line 1): field Date appears twice");
    EXPECT_EQ(Refusal("%rec: Entry\n\nKeyWords: a\n\nKeyWords: b\nDescription: x\n+ \xE4\xB8\xAD!\n"),
              "record 2 (line 5), field Description (line 7): the character \"\xE4\xB8\xAD\" "
              "(U+4E2D) cannot be stored in an Ovrin document.");
    EXPECT_EQ(Refusal("KeyWords: \xF0\x9F\x98\x80\n"),
              "record 1 (line 1), field KeyWords (line 1): the character \"\xF0\x9F\x98\x80\" "
              "(U+1F600) cannot be stored in an Ovrin document.");
    EXPECT_EQ(Refusal("KeyWords: a\nDate: \xFF\n"),
              "record 1 (line 1), field Date (line 2): the text is not valid UTF-8");
    EXPECT_EQ(Refusal("KeyWords: a\n\n%rec: Other\n\nKeyWords: b\n"),
              "line 3: a second record set begins here; --import reads one record set");
    EXPECT_EQ(Refusal("KeyWords: a\n#\n+ b\n"), "line 3: a '+' line must continue a field");
    EXPECT_EQ(Refusal("KeyWords: a\nb\n"),
              "line 2: not a record set: expected a field such as \"KeyWords: ...\", a comment or a "
              "blank line");
    EXPECT_EQ(Refusal("KeyWords: a\n\nKeyWords: b\0c\n"s),
              "line 3: not a record set: it holds a NUL byte");
    EXPECT_EQ(Refusal("\x89PNG\r\n\x1A\n").rfind("line 1: not a record set", 0), 0u);
}
