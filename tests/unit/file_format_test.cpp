// SPDX-License-Identifier: MIT
// The ".ovr" byte stream, written and read.
#include <gtest/gtest.h>

#include "core/file/archive.h"
#include "core/file/entry_stream.h"
#include "core/text/text_form.h"
#include "../common/test_documents.h"
#include "fake_host.h"
#include "fs_test_support.h"

namespace {
std::string Store(COvrinDoc& doc)
{
    std::string bytes;
    CArchive ar(bytes);
    doc.Serialize(ar);
    return bytes;
}

void Load(COvrinDoc& doc, const std::string& bytes)
{
    CArchive ar(bytes, "/data/file.ovr");
    doc.Serialize(ar);
}

std::string Prefix(size_t length)
{
    std::string bytes;
    CArchive ar(bytes);
    ar.WriteString(std::string(length, 'x'));
    return bytes.substr(0, bytes.size() - length);
}

std::string Repeated(std::string_view piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

const std::string kEmptyB("\x00\x00\x0B\x01\x08" "010b0000" "\x00\x00\x00\x00", 17);

class FileFormatTest : public ::testing::Test {
protected:
    FakeHost host;
    COvrinDoc doc{host};
};

// The exact bytes that other copies of the program read.
TEST_F(FileFormatTest, WritesTheDocumentedBytes)
{
    EXPECT_EQ(Store(doc), kEmptyB);
    SetEntries(doc, {{"abc", "", "1.1.2026"}});
    EXPECT_EQ(Store(doc), std::string("\x00\x00\x0B\x01\x08" "010b0000" "\x01\x00\x00\x00"
                                      "\x03" "abc" "\x00" "\x08" "1.1.2026", 31));
}

// The three prefix forms switch exactly at 255 and 65534 (reading back: the large-document test).
TEST(ArchiveStrings, PrefixFormsAtTheirLimits)
{
    EXPECT_EQ(Prefix(254), "\xFE");
    EXPECT_EQ(Prefix(255), std::string("\xFF\xFF\x00", 3));
    EXPECT_EQ(Prefix(65533), "\xFF\xFD\xFF");
    EXPECT_EQ(Prefix(65534), std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7));
    // A 16-bit length below 255 is accepted on reading.
    const std::string shortBytes("\xFF\x02\x00" "ab", 5);
    CArchive shortForm(shortBytes, "");
    EXPECT_EQ(shortForm.ReadString(), "ab");
}

// Round trip of everything Windows-1252 can hold, line breaks included.
TEST_F(FileFormatTest, RoundTripKeepsFileOrderAndBytes)
{
    SetEntries(doc, {{"z€ÿ", "line 1\r\nline 2\r\n"}, {"", "d:"}, {"a", TextFromCp1252(std::string(70000, '\xE9'))}});
    const std::string bytes = Store(doc) + "trailing junk";
    FakeHost otherHost;
    COvrinDoc other(otherHost);
    Load(other, bytes);
    EXPECT_EQ(other.KeyWords(), doc.KeyWords());
    EXPECT_EQ(other.Descriptions(), doc.Descriptions());
    EXPECT_EQ(other.Dates(), doc.Dates());
    EXPECT_EQ(other.Count(), 3);
    EXPECT_EQ(other.Current(), 0);
    EXPECT_EQ(other.FilePath(), "/data/file.ovr");
}

// The old version dates every entry with the reading day; the tools' walk (no table) reads no dates.
TEST_F(FileFormatTest, ReadsOldVersionWithTodaysDate)
{
    host.today = {5, 3, 1998};
    const std::string old("\x00\x00\x0A\x01\x08" "010a0000" "\x02\x00\x00\x00"
                          "\x01" "b" "\x02" "xy" "\x01" "a" "\x00", 25);
    Load(doc, old);
    EXPECT_EQ(doc.KeyWords(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(doc.Dates(), (std::vector<std::string>{"5.3.1998", "5.3.1998"}));
    EXPECT_EQ(doc.Current(), 0);
    EXPECT_EQ(Store(doc).substr(0, 13), kEmptyB.substr(0, 13));

    fs_test::TempFolder dir;
    WriteBytes(dir / "old.ovr", old);
    std::vector<std::string> walked;
    const auto visit = [&](int, std::string_view k, std::string_view d, std::string_view t) {
        walked.push_back(std::string(k) + "|" + std::string(d) + "|" + std::string(t));
    };
    EXPECT_TRUE(ReadDocumentEntries(dir / "old.ovr", visit).ok);
    EXPECT_EQ(walked, (std::vector<std::string>{"b|xy|", "a||"}));
    // Read from the file, the empty text at its very end too.
    EXPECT_TRUE(OpenDocumentFile(doc, dir / "old.ovr").ok);
}

// Unknown versions are refused with a hint, entries and file kept: no later save overwrites a foreign file.
TEST_F(FileFormatTest, RefusesUnknownVersionsLeavingTheTable)
{
    FillTable(doc, {"keep"});
    const std::vector<std::string> bad = {
        std::string("\x00\x00\x0B\x01\x08" "010a0000" "\x00\x00\x00\x00", 17),
        std::string("\x00\x00\x0A\x01\x08" "010b0000" "\x00\x00\x00\x00", 17),
        std::string("\x00\x00\x0C\x01\x08" "010c0000" "\x00\x00\x00\x00", 17),
    };
    host.hintAnswers = {true, false, true};
    for (const std::string& bytes : bad) {
        doc.SetFilePath("/old.ovr");
        EXPECT_THROW(Load(doc, bytes), UnknownVersionError);
        EXPECT_EQ(doc.FilePath(), "/old.ovr");
        EXPECT_EQ(doc.KeyWords(), (std::vector<std::string>{"keep"}));
    }
    ASSERT_EQ(host.hints.size(), 3u);
    EXPECT_EQ(host.hints[0], "Ungültiges Dokument");
    EXPECT_EQ(host.updates, 2);
}

// Truncated or damaged files throw before the table changes; absurd counts or lengths allocate nothing.
TEST_F(FileFormatTest, DamagedFilesThrowAndLeaveTheTable)
{
    FillTable(doc, {"one", "two"});
    const std::string good = Store(doc);
    FakeHost otherHost;
    COvrinDoc other(otherHost);
    FillTable(other, {"mine"});
    for (size_t cut = 1; cut < good.size(); ++cut)
        EXPECT_THROW(Load(other, good.substr(0, good.size() - cut)), ArchiveError) << cut;
    const std::string header = kEmptyB.substr(0, 13);
    EXPECT_THROW(Load(other, header + std::string("\xFF\xFF\xFF\x7F", 4)), ArchiveError);
    EXPECT_THROW(Load(other, header + std::string("\xFF\xFF\xFF\xFF", 4)), ArchiveError);
    EXPECT_THROW(Load(other, header + std::string("\x01\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 11)),
                 ArchiveError);
    EXPECT_EQ(other.KeyWords(), (std::vector<std::string>{"mine"}));
    EXPECT_EQ(other.Count(), 1);
}

// Texts' bytes round-trip exactly: as UTF-16 where held so or needed (surrogates as-is), else 8-bit, ASCII read in place.
TEST(ArchiveStrings, EachTextFormAndItsFileBytes)
{
    const struct {
        std::string text;
        bool utf16;
        std::string bytes;
        bool inPlace;
    } cases[] = {
        {"abc", false, "\x03" "abc", true},
        {"\u20AC\u00FCx", false, "\x03\x80\xFCx", false},
        {TextFromUtf16(u"\u20ACa\u00FC\u043A"), true, std::string("\xFF\xFE\xFF\x04" "\xAC\x20" "a\x00" "\xFC\x00" "\x3A\x04", 12), false},
        {TextFromUtf16(u"a"), true, std::string("\xFF\xFE\xFF\x01" "a\x00", 6), false},
        {TextFromUtf16(u"\xD83D\xDE00\xDC00"), true, std::string("\xFF\xFE\xFF\x03" "\x3D\xD8\x00\xDE\x00\xDC", 10), false},
        {TextFromCp1252("\xFF\xFE\xFFx"), false, "\x04\xFF\xFE\xFFx", false},
        {TextFromUtf16(std::u16string(300, u'\u0436')), true, "\xFF\xFE\xFF\xFF\x2C\x01" + Repeated("\x36\x04", 300), false},
    };
    for (const auto& c : cases) {
        const std::string& bytes = c.bytes;
        std::string written;
        CArchive out(written);
        out.WriteString(c.text, c.utf16);
        EXPECT_EQ(written, bytes);
        EXPECT_EQ(StoredSize(c.text, c.utf16), bytes.size());
        const std::string twice = bytes + bytes;
        CArchive in(twice, "");
        std::string spill;
        bool heldAsUtf16 = !c.utf16;
        const std::string_view view = in.ReadStringView(spill, &heldAsUtf16);
        EXPECT_EQ(view, c.text);
        EXPECT_EQ(heldAsUtf16, bytes[0] == '\xFF');
        EXPECT_EQ(view.data() == twice.data() + 1, c.inPlace);
        EXPECT_EQ(in.ReadString(), c.text);
    }
    const std::string cut("\xFF\xFE\xFF\x04" "\xAC\x20", 6);
    CArchive in(cut, "");
    std::string spill;
    EXPECT_THROW(in.ReadStringView(spill), ArchiveError);
}
}  // namespace
