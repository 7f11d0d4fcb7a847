// SPDX-License-Identifier: MIT
// `ovrin --import` as a process: what it reads and where it writes.
#include <gtest/gtest.h>

#include "fs_test_support.h"

using namespace fs_test;

namespace {

class ImportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (std::getenv("OVRIN_BINARY") == nullptr) GTEST_SKIP() << "OVRIN_BINARY is not set";
        WriteBytes(m_dir / "in.rec", "KeyWords: k\n");
    }

    // Exit status and standard error of shell `line`, "$OVRIN" the program.
    std::pair<int, std::string> Run(const std::string& line)
    {
        const int status = std::system(("cd '" + m_dir.Path().string() + "' && export OVRIN=\"timeout 20 " +
                                        fs::absolute(std::getenv("OVRIN_BINARY")).string() + "\" && { " + line +
                                        "; } 2> err").c_str());
        const std::string err = ReadBytes(m_dir / "err");
        fs::remove(m_dir / "err");
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, err};
    }

    TempFolder m_dir;
};

}  // namespace

// Standard input and pipes are read; a device is refused before it is read,
// an endless stream at its first bad byte, a closed standard input as such.
// Nothing is written then, nor for a NEWFILE "-".
TEST_F(ImportCommand, ReadsStandardInputAndPipesAndRefusesDevices)
{
    ASSERT_EQ(Run("$OVRIN --import - a.ovr < in.rec").first, 0);
    ASSERT_EQ(Run("mkfifo fifo && (cat in.rec > fifo &) && $OVRIN --import fifo b.ovr").first, 0);
    EXPECT_EQ(LoadEntries(m_dir / "a.ovr"), LoadEntries(m_dir / "b.ovr"));
    EXPECT_EQ(LoadEntries(m_dir / "b.ovr").at(0).keyWords, "k");

    for (const auto& [line, message] : std::vector<std::pair<std::string, std::string>>{
             {"$OVRIN --import /dev/zero x.ovr", "cannot read \"/dev/zero\": it is a device or a socket, not a file or a pipe"},
             {"$OVRIN --import - x.ovr < /dev/zero", "standard input: line 1: not a record set: it holds a NUL byte"},
             {"$OVRIN --import - x.ovr <&-", "cannot read \"standard input\": Bad file descriptor"},
             {"$OVRIN --import in.rec -", "NEWFILE must be a file, not standard output (./- names a file \"-\")"}}) {
        const auto [code, err] = Run(line);
        EXPECT_EQ(code, 2) << line;
        EXPECT_EQ(err.substr(0, err.find('\n') + 1), "ovrin: " + message + "\n");
    }
    EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"a.ovr", "b.ovr", "fifo", "in.rec"}));
}

// "link/../x.ovr" lies beside the folder the link leads to, as the kernel
// resolves it, for the check that nothing is there and the write alike.
TEST_F(ImportCommand, WritesIntoTheFolderTheKernelResolves)
{
    fs::create_directories(m_dir / "d/e");
    fs::create_directory_symlink("d/e", m_dir / "link");
    ASSERT_EQ(Run("$OVRIN --import in.rec link/../x.ovr").first, 0);
    EXPECT_TRUE(fs::exists(m_dir / "d/x.ovr"));
    EXPECT_FALSE(fs::exists(m_dir / "x.ovr"));
    EXPECT_EQ(Run("$OVRIN --import in.rec link/../x.ovr").second,
              "ovrin: \"link/../x.ovr\" already exists; --import writes only a new file\n");
}

// With no display at all the window says so in one line and points to the
// modes that need none.
TEST_F(ImportCommand, WindowWithoutDisplaySaysSoInOneLine)
{
    EXPECT_EQ(Run("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $OVRIN in.ovr"),
              std::make_pair(2, std::string("ovrin: no display found (DISPLAY and WAYLAND_DISPLAY are not set), so "
                                            "the window cannot open; the command-line modes need none: ovrin --help\n")));
}
