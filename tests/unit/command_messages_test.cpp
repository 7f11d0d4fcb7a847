// SPDX-License-Identifier: MIT
// What the command says when it refuses (one line, the cause once, a usage
// error for arguments a mode does not take) and which version it tells.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_main.h"
#include "fs_test_support.h"
#include "gui/res/info_texts.h"

using namespace fs_test;
using namespace std::string_literals;

namespace {

// Exit status of `ovrin ARGS`, and what it printed (standard output, then
// standard error).
std::pair<int, std::string> RunTool(std::vector<std::string> args)
{
    args.insert(args.begin(), "ovrin");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    return {RunCommandLineTool(static_cast<int>(argv.size()), argv.data(), out, err).value_or(-1), out.str() + err.str()};
}

}  // namespace

// A file that cannot be read, or is no document (a record set given to
// --export), is named as typed, with its cause once, on one line.
TEST(CommandMessages, ReadFailuresTakeOneLine)
{
    TempFolder dir;
    WriteBytes(dir / "notes.rec", "KeyWords: a\n\nDescription: x\n");
    for (const auto& [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--export", dir / "notes.rec"}, "not an Ovrin document: a text is longer than the rest of the file"},
             {{"--find", "a", dir.Path().string()}, "not a regular file (a pipe, a device or a folder)"}})
        EXPECT_EQ(RunTool(args), std::make_pair(2, "ovrin: cannot read \"" + args.back() + "\": " + reason + "\n"));
}

// --version prints the About box's version line; --help and --version take
// nothing after them.
TEST(CommandMessages, HelpAndVersion)
{
    const auto [code, version] = RunTool({"--version"});
    const auto& lines = AboutText().lines;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const InfoLine& l) { return l.text + "\n"s == version; }));
    for (const char* mode : {"--help", "--version"}) {
        const auto [code, err] = RunTool({mode, "extra"});
        EXPECT_EQ(code, 2) << mode;
        EXPECT_EQ(err.rfind(std::string("ovrin: ") + mode + " takes no arguments\nusage: ", 0), 0u) << err;
    }
}
