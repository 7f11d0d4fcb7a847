// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "cli/program_paths.h"

namespace fs = std::filesystem;

namespace {

class ProgramPaths : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "program_paths_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Program(const std::string& relative, bool executable = true)
    {
        const fs::path path = m_dir / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
        return path.string();
    }

    fs::path m_dir;
};

}  // namespace

// In the build folder the two programs lie side by side, and the window
// program registers the front end with the desktop itself.
TEST_F(ProgramPaths, BuildFolderKeepsBothSideBySide)
{
    const std::string front = Program("build/ovrin");
    const std::string window = Program("build/ovrin-window");
    EXPECT_EQ(WindowProgramPath(front), window);
    EXPECT_EQ(FrontEndPath(window), front);
    EXPECT_FALSE(IsInstalledWindowProgram(window));
}

// Installed, the window program lives in libexec and its package has
// registered it; each finds the other by the relative path of the install.
TEST_F(ProgramPaths, InstalledLayoutUsesLibexec)
{
    const std::string front = Program("usr/bin/ovrin");
    const std::string window = Program("usr/libexec/ovrin/ovrin-window");
    EXPECT_EQ(WindowProgramPath(front), window);
    EXPECT_EQ(FrontEndPath(window), front);
    EXPECT_TRUE(IsInstalledWindowProgram(window));
}

// A window program with no front end (or only a file that cannot run) names
// itself, so the desktop entry still starts something that works.
TEST_F(ProgramPaths, LoneWindowProgramNamesItself)
{
    const std::string window = Program("elsewhere/ovrin-window");
    Program("elsewhere/ovrin", false);
    EXPECT_EQ(FrontEndPath(window), window);
    EXPECT_FALSE(IsInstalledWindowProgram(window));
}
