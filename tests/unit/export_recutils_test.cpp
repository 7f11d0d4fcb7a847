// SPDX-License-Identifier: MIT
// What --export writes, read back by recsel, and its conversion on threads.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "cli/recutils_export.h"
#include "doc/archive.h"
#include "doc/cp1252.h"
#include "fs_test_support.h"

using namespace fs_test;

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

// What recsel gives for a description: UTF-8, with LF for each CR LF.
std::string AsRead(const std::string& bytes)
{
    std::string utf8(3 * bytes.size() + 8, '\0');
    utf8.resize(static_cast<std::size_t>(WriteCp1252AsUtf8(bytes, utf8.data()) - utf8.data()));
    std::string r;
    for (std::size_t i = 0; i < utf8.size(); ++i)
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')) r.push_back(utf8[i]);
    return r;
}

// The record set of a file, its runs about `runBytes` long, on `lanes` threads.
std::string Export(const std::string& path, std::size_t runBytes, unsigned lanes,
                   std::vector<int>& inexact)
{
    std::string text = kRecutilsDescriptor;
    const FileResult result = ReadDocumentRuns(path, runBytes, [&](const std::vector<EntryRun>& runs) {
        ExportRecutilsRuns(runs, lanes, [&](std::string_view piece) { text += piece; }, inexact);
    });
    EXPECT_TRUE(result.ok) << result.message;
    return text;
}

}  // namespace

// Every field of every entry, blank edges, empty texts, accents, the euro
// sign and multi-line descriptions included, reads back through recsel
// exactly as the document holds it.
TEST(ExportRecutils, RoundTripsThroughRecsel)
{
    if (std::system("command -v recsel >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs recsel (Debian package recutils) to read the records back";
    const std::vector<Entry> entries = {
        {"plan A", "one\r\ntwo\r\nthree", "1.1.2000"},
        {"  blank edged  ", "  lead\r\n  indented  \r\n", "2.2.2002"},
        {"Caf\xE9 \x80", "", ""},
        {"", "\r\n\r\nafter two breaks", "3.3.2003"},
        {"Tab\there", "% not a comment\r\n# nor this\r\nName: not a field", "4.4.2004"},
        {"+ plus", "back\\slash inside", "5.5.2005"},
    };
    TempFolder dir;
    ASSERT_TRUE(WriteEntries(dir / "rt.ovr", entries).ok);
    std::vector<int> inexact;
    const std::string text = Export(dir / "rt.ovr", SIZE_MAX, 1, inexact);
    EXPECT_TRUE(inexact.empty());

    const std::string file = dir / "rt.rec";
    WriteBytes(file, text);
    ASSERT_EQ(ReadCommand("recsel -c '" + file + "'"), "6\n") << text;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        const int number = static_cast<int>(i + 1);
        EXPECT_EQ(FieldOf(file, number, "KeyWords"), AsRead(entries[i].keyWords));
        EXPECT_EQ(FieldOf(file, number, "Date"), entries[i].date);
        EXPECT_EQ(FieldOf(file, number, "Description"), AsRead(entries[i].description));
    }
    EXPECT_EQ(ReadCommand("recsel -e \"KeyWords ~ 'plan'\" -P Number '" + file + "'"), "1\n");
}

// A file cut into many small runs, converted on several threads, comes out
// exactly as in one run, in order, with the entries whose line ends in a
// backslash (recutils would join it with the next) named in order too.
TEST(ExportRecutils, RunsOnThreadsMatchOneRun)
{
    std::vector<Entry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({"key " + std::to_string(i) + (i % 7 == 0 ? " \xE9t\xE9" : ""),
                           i % 50 == 3 ? "C:\\dir\\\r\nnext" : std::string(i % 40, 'x') + "\r\n\x80 " + std::to_string(i),
                           "1.1.2000"});
    TempFolder dir;
    const std::string path = dir / "runs.ovr";
    ASSERT_TRUE(WriteEntries(path, entries).ok);
    std::vector<int> oneInexact;
    const std::string one = Export(path, SIZE_MAX, 1, oneInexact);
    EXPECT_EQ(oneInexact, (std::vector<int>{4, 54, 104, 154, 204, 254, 304, 354, 404, 454}));
    std::vector<int> inexact;
    EXPECT_TRUE(Export(path, 100, 3, inexact) == one);
    EXPECT_EQ(inexact, oneInexact);
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
