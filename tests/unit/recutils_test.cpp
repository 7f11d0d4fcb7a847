// SPDX-License-Identifier: MIT
// The --import reader of record sets (line rules, both line ends, refusals naming line/record/field); threaded --export.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cli/recutils_export.h"
#include "cli/recutils_import.h"
#include "core/file/archive.h"
#include "fs_test_support.h"

using namespace fs_test;
using namespace std::string_literals;

namespace {
// The refusal, or every entry as "key words|description|date;", read in `piece`-byte pieces.
std::string Read(std::string_view text, std::size_t piece)
{
    RecordSetReader reader("today");
    for (std::size_t at = 0; at < text.size(); at += piece) reader.Feed(text.substr(at, piece));
    const RecordSetReading reading = reader.Finish();
    if (!reading.ok) return reading.entries.empty() ? reading.message : "entries beside a refusal";
    std::string all;
    for (std::size_t i = 0; i < reading.entries.size(); ++i) {
        const ImportedEntry e = reading.entries[i];
        all += e.keyWords + "|" + e.description + "|" + e.date + ";";
    }
    return all;
}

// The record set of a file, its runs about `runBytes` long, on `lanes` threads.
std::string Export(const std::string& path, std::size_t runBytes, unsigned lanes,
                   std::vector<int>& inexact)
{
    std::string text = kRecutilsDescriptor;
    const FileResult result = ReadDocumentRuns(
        path,
        [&](const std::vector<EntryRun>& runs) {
            ExportRecutilsRuns(runs, lanes, [&](std::string_view piece) { text += piece; }, inexact);
        },
        WalkSizes{runBytes, 4 * runBytes});
    EXPECT_TRUE(result.ok) << result.message;
    return text;
}

const std::string kDecrypt = "decrypt the record set first, e.g. with recsel -s PASSWORD";
}  // namespace

// Each text reads the same whole and a byte at a time.
TEST(RecordSetReading, FollowsTheLineRulesAndRefusesWhatItCannotTakeExactly)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Any field order, Number ignored, no Description empty, no Date today; comments, blank lines between.
        {"# my notes\n%rec: Entry\n%doc: x\n\n\nDescription: first\nNumber: 99\nKeyWords: b\nDate: 1.2.2003\n"
         " \t \nKeyWords: a\n# inside a record\n\nKeyWords:no blank\nDescription: x",
         "b|first|1.2.2003;a||today;no blank|x|today;"},
        {"", ""},
        {"\xEF\xBB\xBF# only a comment\n\n%rec: Entry\n", ""},
        // One blank after ':' dropped; "+" continues with CR LF, one space dropped, tab kept; a trailing "\" joins.
        {"KeyWords:\t  two blanks  \nDescription: one\n+two\n+  three\n+\tfour\n+\n+ joined \\\n+ not a break\\\\\n"
         "rest\nDate: \n\nKeyWords: Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81\nDescription: \n+ \n+ \n",
         "  two blanks  |one\r\ntwo\r\n three\r\n\tfour\r\n\r\njoined + not a break\\rest|;"
         "Caf\xC3\xA9 \xE2\x82\xAC \xC2\x81|\r\n\r\n|today;"},
        // CR LF ends a line as LF does; a CR elsewhere stays text.
        {"KeyWords: a\r\nDescription: x\r\n+ y\r\n\r\nKeyWords: b\nDate: 1.1.2000\r\n", "a|x\r\ny|today;b||1.1.2000;"},
        {"KeyWords: a\\\r\nb\r\nDescription: c\rd\n", "ab|c\rd|today;"},
        {"KeyWords: a\nDescription:\n", "a||today;"},
        {"KeyWords: a\n\nDescription: no key words\n", "record 2 (line 3): the record has no KeyWords field"},
        // A field's own mistake names its line, not only its record's first.
        {"KeyWords: a\n\nKeyWords: b\nDescription: x\n+ y\nKeyword: typo\n",
         "record 2 (line 3), field Keyword (line 6): unknown field; an entry has KeyWords, Description, Date and Number"},
        {"KeyWords: a\nDate: 1.1.2000\nDate: 2.2.2000\n", "record 1 (line 1), field Date (line 3): the field appears twice"},
        // Texts come in as UTF-8, whichever form the file will hold them in.
        {"KeyWords: b\nDescription: x\n+ \xE4\xB8\xAD!\n", "b|x\r\n\xE4\xB8\xAD!|today;"},
        {"KeyWords: a\nDescription: x\n+ y\xFF\n", "record 1 (line 1), field Description (line 3): the text is not valid UTF-8"},
        {"KeyWords: a\n# \xC3\n", "line 2: the text is not valid UTF-8"},
        {"KeyWords: a\n\n%rec: Other\n\nKeyWords: b\n", "line 3: a second record set begins here; --import reads one record set"},
        {"KeyWords: a\n#\n+ b\n", "line 3: a '+' line must continue a field"},
        {"KeyWords: a\nb\n",
         "line 2: not a record set: expected a field such as \"KeyWords: ...\", a comment or a blank line"},
        {"KeyWords: a\n\nKeyWords: b\0c\n"s, "line 3: not a record set: it holds a NUL byte"},
        {"%rec: Entry\n%confidential: Password Description\n",
         "line 2: the field Description is declared encrypted (%confidential); " + kDecrypt},
        {"KeyWords: k\nDescription: encrypted-YNGMTv+/efsvzbIOGd7vyONfKVE=\n",
         "record 1 (line 1), field Description (line 2): the text is encrypted; " + kDecrypt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Read(text, text.size() + 1), expected);
        EXPECT_EQ(Read(text, 1), expected);
    }
}

// A stream is refused at its first bad byte, also in an unended line (a device gives endless lines).
TEST(RecordSetReading, RefusesAStreamAtItsFirstBadByte)
{
    for (const std::string& bad : {"\0"s, "\xC3("s}) {
        RecordSetReader reader("today");
        ASSERT_TRUE(reader.Feed("KeyWords: a\n\nKeyWords: b"));
        EXPECT_FALSE(reader.Feed(bad));
        EXPECT_EQ(reader.Finish().message, bad == "\0"s ? "line 3: not a record set: it holds a NUL byte"
                                                       : "record 2 (line 3), field KeyWords (line 3): the text is not valid UTF-8");
    }
}

// Many small runs on several threads give what one run gives, in order, inexact entries included.
TEST(ExportRecutils, RunsOnThreadsMatchOneRun)
{
    std::vector<Entry> entries;
    for (int i = 0; i < 500; ++i)
        entries.push_back({"key " + std::to_string(i) + (i % 7 == 0 ? " été" : ""),
                           i % 50 == 3 ? "C:\\dir\\\r\nnext" : std::string(i % 40, 'x') + "\r\n€ " + std::to_string(i),
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

// A run that fails to read (file changed after the check) ends the export with its error: no hang, nothing past it.
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
