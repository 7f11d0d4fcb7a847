// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli/recutils_export.h"
#include "doc/archive.h"
#include "doc/cp1252.h"
#include "doc/document_file.h"
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

// A file cut into many small runs, converted on several threads, comes out
// exactly as the whole document exported in one go, in order, with the
// inexact entries named in order too.
TEST(ExportRecutils, RunsOnThreadsMatchTheWholeDocument)
{
    FakeHost host;
    COvrinDoc doc(host);
    std::vector<std::string> keys, descriptions, dates;
    for (int i = 0; i < 500; ++i) {
        keys.push_back("key " + std::to_string(i) + (i % 7 == 0 ? " \xE9t\xE9" : ""));
        descriptions.push_back(i % 50 == 3 ? "ends in\\\r\nnext"
                                           : std::string(i % 40, 'x') + "\r\n\x80 " + std::to_string(i));
        dates.push_back("1.1.2000");
    }
    doc.m_arrKeyWords = keys;
    doc.m_arrDescriptions = descriptions;
    doc.m_arrDates = dates;
    doc.m_nCount = 500;
    doc.m_nCurrent = 0;
    const std::string path = ::testing::TempDir() + "export_runs.ovr";
    ASSERT_TRUE(SaveDocumentFile(doc, path).ok);
    std::string whole;
    std::vector<int> wholeInexact;
    ExportRecutils(doc, whole, wholeInexact);
    ASSERT_FALSE(wholeInexact.empty());

    for (unsigned lanes : {1U, 3U}) {
        std::string text = kRecutilsDescriptor;
        std::vector<int> inexact;
        std::size_t runCount = 0;
        const FileResult result = ReadDocumentRuns(path, 100, [&](const std::vector<EntryRun>& runs) {
            runCount = runs.size();
            ExportRecutilsRuns(runs, lanes, [&](std::string_view piece) { text += piece; }, inexact);
        });
        ASSERT_TRUE(result.ok) << result.message;
        EXPECT_GT(runCount, 100U);
        EXPECT_TRUE(text == whole) << lanes;
        EXPECT_EQ(inexact, wholeInexact);
    }
}

// A run that does not read (the file changed after it was checked) ends the
// export with its error instead of hanging the threads or writing past it.
TEST(ExportRecutils, DamagedRunStopsTheExport)
{
    const std::string good("\x01" "a" "\x01" "b" "\x01" "c", 6);
    std::vector<EntryRun> runs;
    for (int i = 0; i < 6; ++i)
        runs.push_back(EntryRun{i, 1, true, i == 2 ? std::string_view("\x09" "short") : std::string_view(good)});
    for (unsigned lanes : {1U, 2U, 4U}) {
        int written = 0;
        std::vector<int> inexact;
        EXPECT_THROW(ExportRecutilsRuns(runs, lanes, [&](std::string_view) { ++written; }, inexact),
                     ArchiveError);
        EXPECT_EQ(written, 2) << lanes;
    }
}
