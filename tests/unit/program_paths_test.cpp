// SPDX-License-Identifier: MIT
// How the front end and the window program find each other.
#include <gtest/gtest.h>

#include <tuple>

#include "cli/program_paths.h"
#include "fs_test_support.h"

using namespace fs_test;

namespace {

// Makes a stand-in program at `relative` in `dir`, runnable or not.
std::string Program(const TempFolder& dir, const std::string& relative, bool executable = true)
{
    const fs::path path = dir.Path() / relative;
    fs::create_directories(path.parent_path());
    WriteBytes(path.string(), "#!/bin/sh\n");
    fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
    return path.string();
}

// In the build folder the two programs lie side by side, and the window
// program registers the front end with the desktop itself. Installed, the
// window program lives in libexec and its package has registered it; each
// finds the other by the relative path of the install.
TEST(ProgramPaths, EachFindsTheOtherBuiltAndInstalled)
{
    TempFolder dir;
    for (const auto& [frontName, windowName, installed] :
         {std::tuple{"build/ovrin", "build/ovrin-window", false},
          std::tuple{"usr/bin/ovrin", "usr/libexec/ovrin/ovrin-window", true}}) {
        SCOPED_TRACE(windowName);
        const std::string front = Program(dir, frontName);
        const std::string window = Program(dir, windowName);
        EXPECT_EQ(WindowProgramPath(front), window);
        EXPECT_EQ(FrontEndPath(window), front);
        EXPECT_EQ(IsInstalledWindowProgram(window), installed);
    }
}

// A window program with no front end (or only a file that cannot run) names
// itself, so the desktop entry still starts something that works.
TEST(ProgramPaths, LoneWindowProgramNamesItself)
{
    TempFolder dir;
    const std::string window = Program(dir, "elsewhere/ovrin-window");
    Program(dir, "elsewhere/ovrin", false);
    EXPECT_EQ(FrontEndPath(window), window);
    EXPECT_FALSE(IsInstalledWindowProgram(window));
}

}  // namespace
