// SPDX-License-Identifier: MIT
// How the front end and the window program find each other.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/program_paths.h"
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

// Built, the two programs lie side by side; installed, the window program
// lives in libexec. A window program whose front end cannot run names
// itself, so the desktop entry still starts something that works.
TEST(ProgramPaths, EachFindsTheOtherBuiltAndInstalled)
{
    TempFolder dir;
    for (const auto& [frontName, windowName, runnable, installed] :
         {std::tuple{"build/ovrin", "build/ovrin-window", true, false},
          std::tuple{"usr/bin/ovrin", "usr/libexec/ovrin/ovrin-window", true, true},
          std::tuple{"elsewhere/ovrin", "elsewhere/ovrin-window", false, false}}) {
        SCOPED_TRACE(windowName);
        const std::string front = Program(dir, frontName, runnable);
        const std::string window = Program(dir, windowName);
        EXPECT_EQ(FrontEndPath(window), runnable ? front : window);
        EXPECT_EQ(IsInstalledWindowProgram(window), installed);
        if (runnable) {
            EXPECT_EQ(WindowProgramPath(front), window);
        }
    }
}

}  // namespace
