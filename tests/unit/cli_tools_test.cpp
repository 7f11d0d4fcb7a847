// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "doc/document_file.h"
#include "doc/ovrin_doc.h"
#include "fake_host.h"

namespace {

struct Entry {
    std::string keyWords, description, date;
};

// A folder of this process's own, removed with everything in it at exit.
std::string TempPath(const std::string& name)
{
    struct Folder {
        std::filesystem::path path;
        Folder()
        {
            std::string tmpl = ::testing::TempDir() + "cli_tools_XXXXXX";
            if (::mkdtemp(tmpl.data()) == nullptr)
                throw std::runtime_error("mkdtemp failed");
            path = tmpl;
        }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return (folder.path / name).string();
}

// Writes a document file holding `entries` in the order given.
std::string WriteDocument(const std::string& name, const std::vector<Entry>& entries)
{
    FakeHost host;
    COvrinDoc doc(host);
    std::vector<std::string> k, d, t;
    for (const Entry& e : entries) {
        k.push_back(e.keyWords);
        d.push_back(e.description);
        t.push_back(e.date);
    }
    doc.m_arrKeyWords = std::move(k);
    doc.m_arrDescriptions = std::move(d);
    doc.m_arrDates = std::move(t);
    doc.m_nCount = static_cast<int>(entries.size());
    doc.m_nCurrent = entries.empty() ? -1 : 0;
    const std::string path = TempPath(name);
    EXPECT_TRUE(SaveDocumentFile(doc, path).ok);
    return path;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Writes `bytes` as the temporary file `name` and returns its path.
std::string WriteBytes(const std::string& name, const std::string& bytes)
{
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

struct ToolRun {
    std::optional<int> code;
    std::string out, err;
};

ToolRun RunTool(std::vector<std::string> args)
{
    args.insert(args.begin(), "ovrin");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    ToolRun run;
    run.code = RunCommandLineTool(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

const std::vector<Entry> kSample = {
    {"Apfel Baum", "Gr\xFCn und rund\r\nzweite Zeile", "1.2.2003"},
    {"\xC4rger", "\x80 40 f\xFCr den Kauf", "4.5.2006"},
    {"Zebra", "Streifen", "7.8.2009"},
};

}  // namespace

// Other first arguments must reach the windowed start-up untouched.
TEST(CliTools, LeavesOtherArgumentsToTheProgram)
{
    EXPECT_FALSE(RunTool({}).code.has_value());
    EXPECT_FALSE(RunTool({"file.ovr"}).code.has_value());
    EXPECT_FALSE(RunTool({"/p", "file.ovr"}).code.has_value());
}

// Key words come out in file order and converted to UTF-8, not as raw bytes.
TEST(CliTools, ListPrintsKeyWordsAsUtf8)
{
    const std::string path = WriteDocument("list.ovr", kSample);
    ToolRun run = RunTool({"--list", path});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "Apfel Baum\n\xC3\x84rger\nZebra\n");
    EXPECT_TRUE(run.err.empty());
}

// The search folds case on both sides (accented capitals too), numbers hits
// from 1 and reads descriptions only when asked, wherever the option stands.
TEST(CliTools, FindMatchesLikeTheFindDialog)
{
    const std::string path = WriteDocument("find.ovr", kSample);
    ToolRun run = RunTool({"--find", "\xC3\xA4RG", path});  // "äRG"
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "2\t\xC3\x84rger\n");

    EXPECT_EQ(RunTool({"--find", "streifen", path}).code, 1);
    EXPECT_EQ(RunTool({"--find", "streifen", "--descriptions", path}).out, "3\tZebra\n");
    ToolRun after = RunTool({"--find", "\xE2\x82\xAC 40", path, "--descriptions"});  // "€ 40"
    EXPECT_EQ(after.code, 0);
    EXPECT_EQ(after.out, "2\t\xC3\x84rger\n");
    // A match may span the line break of a description.
    EXPECT_EQ(RunTool({"--find", "rund\r\nzweite", "--descriptions", path}).code, 0);
}

// Characters Windows-1252 lacks cannot occur in a document: no hit, no crash;
// broken UTF-8 and a missing FILE are usage errors.
TEST(CliTools, FindRejectsOrMissesTextsOutsideTheCodePage)
{
    const std::string path = WriteDocument("find2.ovr", kSample);
    ToolRun run = RunTool({"--find", "\xE2\x98\x83", "--descriptions", path});  // snowman
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_EQ(RunTool({"--find", "\xC3", path}).code, 2);
    EXPECT_EQ(RunTool({"--find", "\xC0\x80", path}).code, 2);  // overlong NUL
    EXPECT_EQ(RunTool({"--find", "Apfel"}).code, 2);
    EXPECT_EQ(RunTool({"--find", "", path}).code, 2);
    EXPECT_EQ(RunTool({"--list"}).code, 2);
    EXPECT_EQ(RunTool({"--export", path, path}).code, 2);
}

// A damaged or missing file is an error naming the file, with nothing on
// standard output for any of the three tools.
TEST(CliTools, DamagedFileGivesTwoAndEmptyOutput)
{
    const std::string bytes = FileBytes(WriteDocument("whole.ovr", kSample));
    const std::string cut = WriteBytes("cut.ovr", bytes.substr(0, bytes.size() - 5));
    const std::string foreign =
        WriteBytes("foreign.ovr", bytes.substr(0, 5) + "010c0000" + bytes.substr(13));
    for (const std::string& path : {cut, foreign, TempPath("missing.ovr")}) {
        for (std::vector<std::string> args :
             {std::vector<std::string>{"--list", path}, {"--export", path},
              {"--find", "a", "--descriptions", path}}) {
            ToolRun run = RunTool(args);
            EXPECT_EQ(run.code, 2) << args[0] << " " << path;
            EXPECT_TRUE(run.out.empty()) << args[0];
            EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        }
    }
}

namespace {

// Output larger than the tools' write buffer comes out whole and in order,
// and a file damaged only at its very end still writes nothing at all.
TEST(CliTools, LargeOutputIsWholeAndDamageFoundFirst)
{
    std::vector<Entry> entries;
    std::string expected;
    for (int i = 0; i < 30000; ++i) {
        char key[64];
        std::snprintf(key, sizeof key, "entry %05d with a key line of some length \xE9", i);
        entries.push_back({key, "d", "1.1.2000"});
        expected += std::string(key, std::strlen(key) - 1) + "\xC3\xA9\n";
    }
    const std::string path = WriteDocument("large.ovr", entries);
    ToolRun list = RunTool({"--list", path});
    EXPECT_EQ(list.code, 0);
    EXPECT_GT(list.out.size(), std::size_t{1} << 20);
    EXPECT_TRUE(list.out == expected);

    const std::string bytes = FileBytes(path);
    const std::string cut = WriteBytes("large_cut.ovr", bytes.substr(0, bytes.size() - 3));
    for (const char* command : {"--list", "--export"}) {
        ToolRun run = RunTool({command, cut});
        EXPECT_EQ(run.code, 2) << command;
        EXPECT_TRUE(run.out.empty()) << command;
    }
}

// The tools walk a file without building a table; an old-version file and
// the UTF-16 string form read as they do into the document.
TEST(CliTools, WalkReadsOldVersionAndUtf16Texts)
{
    const std::string path =
        WriteBytes("old.ovr", std::string("\x00\x00\x0A\x01\x08" "010a0000" "\x01\x00\x00\x00"
                                          "\xFF\xFE\xFF\x02" "\xAC\x20" "b\x00" "\x02" "xy", 28));
    std::vector<std::string> seen;
    const FileResult result = ReadDocumentEntries(
        path, [&](int i, std::string_view k, std::string_view d, std::string_view t) {
            seen.push_back(std::to_string(i) + "|" + std::string(k) + "|" + std::string(d) + "|" +
                           std::string(t));
        });
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_EQ(seen, (std::vector<std::string>{"0|\x80" "b|xy|"}));
    EXPECT_EQ(RunTool({"--list", path}).out, "\xE2\x82\xAC" "b\n");
}

}  // namespace
