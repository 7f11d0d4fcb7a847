// SPDX-License-Identifier: MIT
// The reader of record sets as a stream: line ends of either kind, pieces
// of any size, the first bad byte, and what the refusals show.
#include <gtest/gtest.h>

#include <vector>

#include "cli/recutils_import.h"

using namespace std::string_literals;

namespace {

// The refusal, or every entry as "key words|description|date;".
std::string Read(std::string_view text, std::size_t piece)
{
    RecordSetReader reader("today");
    for (std::size_t at = 0; at < text.size(); at += piece) reader.Feed(text.substr(at, piece));
    const RecordSetReading reading = reader.Finish();
    if (!reading.ok) return reading.message;
    std::string all;
    for (const ImportedEntry& e : reading.entries) all += e.keyWords + "|" + e.description + "|" + e.date + ";";
    return all;
}

const std::string kDecrypt = "decrypt the record set first, e.g. with recsel -s PASSWORD";

}  // namespace

// CR LF ends a line as LF does, in one record or many, mixed or not; a CR
// elsewhere stays text. A refusal names the line of the bad byte, shows an
// invisible character by its code only, and names an encrypted field. Each
// text reads the same whole and a byte at a time.
TEST(RecordSetReader, ReadsLineEndsPiecesAndRefusals)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"KeyWords: a\r\nDescription: x\r\n+ y\r\n\r\nKeyWords: b\nDate: 1.1.2000\r\n", "a|x\r\ny|today;b||1.1.2000;"},
        {"KeyWords: a\\\r\nb\r\nDescription: c\rd\n", "ab|c\rd|today;"},
        {"KeyWords: encrypted-notes \xE2\x82\xAC\n", "encrypted-notes \x80||today;"},
        {"KeyWords: a\n\nKeyWords: b\n+ \xC2\x80\n",
         "record 2 (line 3), field KeyWords (line 4): the character U+0080 cannot be stored in an Ovrin document."},
        {"KeyWords: \xE2\x80\xAE" "cba\n",
         "record 1 (line 1), field KeyWords (line 1): the character U+202E cannot be stored in an Ovrin document."},
        {"KeyWords: a\nDescription: x\n+ y\xFF\n", "record 1 (line 1), field Description (line 3): the text is not valid UTF-8"},
        {"KeyWords: a\n# \xC3\n", "line 2: the text is not valid UTF-8"},
        {"%rec: Entry\n%confidential: Password Description\n",
         "line 2: the field Description is declared encrypted (%confidential); " + kDecrypt},
        {"KeyWords: k\nDescription: encrypted-YNGMTv+/efsvzbIOGd7vyONfKVE=\n",
         "record 1 (line 1), field Description (line 2): the text is encrypted; " + kDecrypt},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Read(text, text.size()), expected);
        EXPECT_EQ(Read(text, 1), expected);
    }
}

// A stream is refused at its first bad byte, also in a line that has not
// ended (a device gives endless lines).
TEST(RecordSetReader, RefusesAStreamAtItsFirstBadByte)
{
    for (const std::string& bad : {"\0"s, "\xFF"s, "\xC3("s}) {
        RecordSetReader reader("today");
        ASSERT_TRUE(reader.Feed("KeyWords: a\n\nKeyWords: b"));
        EXPECT_FALSE(reader.Feed(bad));
        EXPECT_EQ(reader.Finish().message, bad == "\0"s ? "line 3: not a record set: it holds a NUL byte"
                                                       : "record 2 (line 3), field KeyWords (line 3): the text is not valid UTF-8");
    }
}
