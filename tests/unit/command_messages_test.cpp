// SPDX-License-Identifier: MIT
// What the command says when it refuses (one line, the cause once, a usage
// error for arguments a mode does not take), which version it tells, and
// that its manual page names what it takes and the files it keeps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "fs_test_support.h"
#include "platform/recovery_files.h"
#include "gui/res/info_texts.h"
#include "tool_run.h"

using namespace fs_test;
using namespace std::string_literals;

// A file that cannot be read, or is no document (a record set given to
// --export), is named as typed, with its cause once, on one line.
TEST(CommandMessages, ReadFailuresTakeOneLine)
{
    TempFolder dir;
    WriteBytes(dir / "notes.rec", "KeyWords: a\n\nDescription: x\n");
    for (const auto& [args, reason] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--export", dir / "notes.rec"}, "not an Ovrin document: a text is longer than the rest of the file"},
             {{"--find", "a", dir.Path().string()}, "not a regular file (a pipe, a device or a folder)"}}) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.out + run.err, "ovrin: cannot read \"" + args.back() + "\": " + reason + "\n");
    }
}

// --version prints the About box's version line; --help and --version take
// nothing after them.
TEST(CommandMessages, HelpAndVersion)
{
    const std::string version = RunTool({"--version"}).out;
    const auto& lines = AboutText().lines;
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const InfoLine& l) { return l.text + "\n"s == version; }));
    for (const char* mode : {"--help", "--version"}) {
        const ToolRun run = RunTool({mode, "extra"});
        EXPECT_EQ(run.code, 2) << mode;
        EXPECT_EQ(run.err.rfind(std::string("ovrin: ") + mode + " takes no arguments\nusage: ", 0), 0u) << run.err;
    }
}

// The manual page lists the options the command takes, no more, and names
// the folder of the recovery records as the program finds it.
TEST(CommandMessages, ManualPageNamesTheProgramsOwnOptionsAndFiles)
{
    std::ifstream in(std::filesystem::path(OVRIN_SOURCE_DIR) / "dist/linux/ovrin.1");
    const std::string page{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(page.empty());
    std::set<std::string> programs, pages;
    for (const CommandMode& mode : ToolModes())
        for (std::string_view option : {mode.option, mode.alias, mode.Switch()})
            if (!option.empty()) programs.emplace(option);
    const std::regex option(R"(\\-(\\-)?[a-z][a-z-]*)");
    for (auto it = std::sregex_iterator(page.begin(), page.end(), option); it != std::sregex_iterator(); ++it) {
        // The man page escapes each dash; only the window's switches and
        // other programs' options take a single one.
        const std::string text = std::regex_replace(it->str(), std::regex(R"(\\-)"), "-");
        if (text.starts_with("--") || text == "-h") pages.insert(text);
    }
    EXPECT_EQ(pages, programs);

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::string savedState = state ? state : "";
    setenv("XDG_STATE_HOME", "/state", 1);
    EXPECT_EQ(RecoveryFolder(), "/state/ovrin");
    EXPECT_NE(page.find("$XDG_STATE_HOME/ovrin/"), std::string::npos);
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(RecoveryFolder(), home + "/.local/state/ovrin");
    EXPECT_NE(page.find("~/.local/state/ovrin/"), std::string::npos);
    if (state) setenv("XDG_STATE_HOME", savedState.c_str(), 1);
}
