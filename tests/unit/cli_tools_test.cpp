// SPDX-License-Identifier: MIT
// The command-line tools run in process: what --list and --find print, and
// what they do with damaged files and large output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>

#include "cli/cli_main.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

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

// The search folds case on both sides (accented capitals too), numbers hits
// from 1 and reads descriptions only when asked, wherever the option stands;
// a match may span the line break of a description. Characters
// Windows-1252 lacks cannot occur in a document: no hit, no crash; broken
// UTF-8 and a missing FILE are usage errors.
TEST(CliTools, FindMatchesLikeTheFindDialog)
{
    TempFolder dir;
    const std::string path = dir / "find.ovr";
    SaveEntries(path, {{"Apfel Baum", "Gr\xFCn und rund\r\nzweite Zeile", "1.2.2003"},
                       {"\xC4rger", "\x80 40 f\xFCr den Kauf", "4.5.2006"},
                       {"Zebra", "Streifen", "7.8.2009"}});
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"--find", "\xC3\xA4RG", path}, 0, "2\t\xC3\x84rger\n"},  // "äRG"
        {{"--find", "streifen", path}, 1, ""},
        {{"--find", "streifen", "--descriptions", path}, 0, "3\tZebra\n"},
        {{"--find", "\xE2\x82\xAC 40", path, "--descriptions"}, 0, "2\t\xC3\x84rger\n"},  // "€ 40"
        {{"--find", "rund\r\nzweite", "--descriptions", path}, 0, "1\tApfel Baum\n"},
        {{"--find", "\xE2\x98\x83", "--descriptions", path}, 1, ""},  // snowman
        {{"--find", "\xC3", path}, 2, ""},
        {{"--find", "\xC0\x80", path}, 2, ""},  // overlong NUL
        {{"--find", "Apfel"}, 2, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.code, c.code);
        EXPECT_EQ(run.out, c.out);
    }
}

// Key words come out in file order and converted to UTF-8; output larger
// than the tools' write buffer comes out whole and in order. A damaged (even
// only at its very end, past all that the buffer holds) or missing file is
// an error naming the file, with nothing on standard output for any of the
// three tools.
TEST(CliTools, LargeOutputIsWholeAndDamageFoundFirst)
{
    TempFolder dir;
    std::vector<Entry> entries;
    std::string expected;
    for (int i = 0; i < 30000; ++i) {
        char key[64];
        std::snprintf(key, sizeof key, "entry %05d with a key line of some length \xE9", i);
        entries.push_back({key, "d", "1.1.2000"});
        expected += std::string(key, std::strlen(key) - 1) + "\xC3\xA9\n";
    }
    const std::string path = dir / "large.ovr";
    SaveEntries(path, entries);
    ToolRun list = RunTool({"--list", path});
    EXPECT_EQ(list.code, 0);
    EXPECT_GT(list.out.size(), std::size_t{1} << 20);
    EXPECT_TRUE(list.out == expected);

    const std::string bytes = ReadBytes(path);
    WriteBytes(dir / "cut.ovr", bytes.substr(0, bytes.size() - 3));
    WriteBytes(dir / "foreign.ovr", bytes.substr(0, 5) + "010c0000" + bytes.substr(13));
    for (const std::string& damaged : {dir / "cut.ovr", dir / "foreign.ovr", dir / "missing.ovr"}) {
        for (std::vector<std::string> args :
             {std::vector<std::string>{"--list", damaged}, {"--export", damaged},
              {"--find", "entry", "--descriptions", damaged}}) {
            ToolRun run = RunTool(args);
            EXPECT_EQ(run.code, 2) << args[0] << " " << damaged;
            EXPECT_TRUE(run.out.empty()) << args[0] << " " << damaged;
            EXPECT_NE(run.err.find(damaged), std::string::npos) << run.err;
        }
    }
}

// The tools walk a file without building a table; an old-version file and
// the UTF-16 string form read as they do into the document.
TEST(CliTools, WalkReadsOldVersionAndUtf16Texts)
{
    TempFolder dir;
    const std::string path = dir / "old.ovr";
    WriteBytes(path, std::string("\x00\x00\x0A\x01\x08" "010a0000" "\x01\x00\x00\x00"
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
