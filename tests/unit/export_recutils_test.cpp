// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/recutils_export.h"
#include "doc/cp1252.h"
#include "doc/ovrin_doc.h"
#include "fake_host.h"

namespace {

std::string ReadCommand(const std::string& command)
{
    std::string result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.append(buffer, n);
    pclose(pipe);
    return result;
}

// The text recsel gives back for one field, in UTF-8, with recsel's own
// closing newline removed.
std::string FieldOf(const std::string& file, int number, const std::string& field)
{
    std::string value = ReadCommand("recsel -e 'Number = " + std::to_string(number) +
                                    "' -P " + field + " '" + file + "'");
    if (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

std::string CrLfToLf(std::string s)
{
    std::string r;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) r.push_back(s[i]);
    return r;
}

}  // namespace

// Every field of every entry, blank edges, empty texts, accents, the euro
// sign and multi-line descriptions included, reads back through recsel
// exactly as the document holds it.
TEST(ExportRecutils, RoundTripsThroughRecsel)
{
    FakeHost host;
    COvrinDoc doc(host);
    doc.m_arrKeyWords = std::vector<std::string>{
        "plan A", "  blank edged  ", "Caf\xE9 \x80", "", "Tab\there", "+ plus"};
    doc.m_arrDescriptions = std::vector<std::string>{
        "one\r\ntwo\r\nthree", "  lead\r\n  indented  \r\n", "", "\r\n\r\nafter two breaks",
        "% not a comment\r\n# nor this\r\nName: not a field", "back\\slash inside"};
    doc.m_arrDates = std::vector<std::string>{"1.1.2000", "2.2.2002", "", "3.3.2003",
                                              "4.4.2004", "5.5.2005"};
    doc.m_nCount = 6;
    std::string text;
    std::vector<int> inexact;
    ExportRecutils(doc, text, inexact);
    EXPECT_TRUE(inexact.empty());

    const std::string file = ::testing::TempDir() + "export_roundtrip.rec";
    {
        std::ofstream o(file, std::ios::binary);
        o << text;
    }
    ASSERT_EQ(ReadCommand("recsel -c '" + file + "'"), "6\n") << text;
    for (int i = 0; i < doc.m_nCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(FieldOf(file, i + 1, "KeyWords"), Cp1252ToUtf8(doc.m_arrKeyWords[i]));
        EXPECT_EQ(FieldOf(file, i + 1, "Date"), doc.m_arrDates[i]);
        EXPECT_EQ(FieldOf(file, i + 1, "Description"),
                  CrLfToLf(Cp1252ToUtf8(doc.m_arrDescriptions[i])));
    }
    EXPECT_EQ(ReadCommand("recsel -e \"KeyWords ~ 'plan'\" -P Number '" + file + "'"), "1\n");
}

// A line ending in a backslash would be joined with the next line by
// recutils; the export must say so instead of passing it off as exact.
TEST(ExportRecutils, ReportsLinesEndingInBackslash)
{
    FakeHost host;
    COvrinDoc doc(host);
    doc.m_arrKeyWords = std::vector<std::string>{"fine", "path"};
    doc.m_arrDescriptions = std::vector<std::string>{"a\\b", "C:\\dir\\\r\nnext"};
    doc.m_arrDates = std::vector<std::string>{"1.1.2000", "1.1.2000"};
    doc.m_nCount = 2;
    std::string text;
    std::vector<int> inexact;
    ExportRecutils(doc, text, inexact);
    EXPECT_EQ(inexact, std::vector<int>{2});
}
