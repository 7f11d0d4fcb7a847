// SPDX-License-Identifier: MIT
// `ovrin --import` as a process, on what it reads (standard input, pipes,
// devices, streams that never end) and where it writes (through links,
// beside what a killed import left), and the window without a display.
#include <gtest/gtest.h>

#include "fs_test_support.h"

using namespace fs_test;

namespace {

class ImportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* binary = std::getenv("OVRIN_BINARY");
        if (binary == nullptr || *binary == '\0') GTEST_SKIP() << "OVRIN_BINARY is not set";
        m_binary = fs::absolute(binary).string();
        WriteBytes(At("in.rec"), "KeyWords: k\n");
    }

    std::string At(const std::string& name) const { return m_dir / name; }

    // Runs the shell command `line` in the temporary folder, "$OVRIN" naming
    // the program (given 20 s); its exit status and standard error.
    std::pair<int, std::string> Run(const std::string& line)
    {
        const std::string command = "cd '" + m_dir.Path().string() + "' && export OVRIN='timeout 20 " + m_binary +
                                    "' && { " + line + "; } 2> err";
        const int status = std::system(command.c_str());
        std::pair<int, std::string> run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes(At("err"))};
        fs::remove(At("err"));
        return run;
    }

    std::string m_binary;
    TempFolder m_dir;
};

}  // namespace

// Standard input and pipes are read; a device is refused before it is read,
// and a stream at its first bad byte even when it never ends. Nothing is
// written for a refusal, nor for a NEWFILE that is empty or "-".
TEST_F(ImportCommand, ReadsStandardInputAndPipesAndRefusesDevices)
{
    ASSERT_EQ(Run("$OVRIN --import - a.ovr < in.rec").first, 0);
    ASSERT_EQ(Run("mkfifo fifo && (cat in.rec > fifo &) && $OVRIN --import fifo b.ovr").first, 0);
    EXPECT_EQ(LoadEntries(At("a.ovr")), LoadEntries(At("b.ovr")));
    EXPECT_EQ(LoadEntries(At("b.ovr")).at(0).keyWords, "k");

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"$OVRIN --import /dev/zero x.ovr",
         "ovrin: cannot read \"/dev/zero\": it is a device or a socket, not a file or a pipe\n"},
        {"$OVRIN --import - x.ovr < /dev/zero", "ovrin: standard input: line 1: not a record set: it holds a NUL byte\n"},
        {"{ printf 'KeyWords: a\\n+ \\377'; tr '\\0' a < /dev/zero; } | $OVRIN --import - x.ovr",
         "ovrin: standard input: record 1 (line 1), field KeyWords (line 2): the text is not valid UTF-8\n"},
        {"$OVRIN --import - x.ovr <&-", "ovrin: cannot read \"standard input\": Bad file descriptor\n"},
        {"$OVRIN --import in.rec ''", "ovrin: NEWFILE is empty: name the new document\n"},
        {"$OVRIN --import in.rec -", "ovrin: NEWFILE must be a file, not standard output (./- names a file \"-\")\n"},
    };
    for (const auto& [line, message] : refused) {
        SCOPED_TRACE(line);
        const auto [code, err] = Run(line);
        EXPECT_EQ(code, 2);
        EXPECT_EQ(err.substr(0, err.find('\n') + 1), message);
    }
    EXPECT_EQ(m_dir.Names(), (std::vector<std::string>{"a.ovr", "b.ovr", "fifo", "in.rec"}));
}

// "link/../x.ovr" is the folder the link leads to, as the kernel resolves
// it, for the check that nothing is there and for the write alike.
TEST_F(ImportCommand, WritesIntoTheFolderTheKernelResolves)
{
    fs::create_directories(At("d/e"));
    fs::create_directory_symlink("d/e", At("link"));
    ASSERT_EQ(Run("$OVRIN --import in.rec link/../x.ovr").first, 0);
    EXPECT_TRUE(fs::exists(At("d/x.ovr")));
    EXPECT_FALSE(fs::exists(At("x.ovr")));
    const auto [code, err] = Run("$OVRIN --import in.rec link/../x.ovr");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(err, "ovrin: \"link/../x.ovr\" already exists; --import writes only a new file\n");
}

// A killed import's temporary is cleared by the next import into the
// folder; what only looks like one, another user's, or one still locked
// by its writer, stays.
TEST_F(ImportCommand, ClearsOnlyItsOwnStaleTemporaries)
{
    const std::vector<std::string> kept = {".ovrin-import-Held0001", ".ovrin-import-Short12", ".ovrin-import-notmine!",
                                           ".ovrin-import-Folder01", ".ovrin-import-Link0001"};
    for (const std::string& name : {std::string(".ovrin-import-Stale001"), kept[0], kept[1], kept[2]}) WriteBytes(At(name), "partial");
    fs::create_directory(At(kept[3]));
    fs::create_symlink(".ovrin-import-Stale001", At(kept[4]));
    std::vector<std::string> expected = kept;
    if (::geteuid() == 0) {
        expected.push_back(".ovrin-import-Others01");
        WriteBytes(At(expected.back()), "partial");
        GiveToChildUser(At(expected.back()));
    }
    ASSERT_EQ(Run("flock " + kept[0] + " $OVRIN --import in.rec new.ovr").first, 0);
    expected.insert(expected.end(), {"in.rec", "new.ovr"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(m_dir.Names(), expected);
}

// With no display at all the window says so in one line and points to the
// modes that need none.
TEST_F(ImportCommand, WindowWithoutDisplaySaysSoInOneLine)
{
    const auto [code, err] = Run("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $OVRIN in.ovr");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_NE(err.find("no display found"), std::string::npos);
    EXPECT_NE(err.find("ovrin --help"), std::string::npos);
}
