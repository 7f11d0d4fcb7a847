// SPDX-License-Identifier: MIT
// One parser for a start's arguments: `ovrin` and the window refuse the same lists alike and hand the same
// file to a running program; idle connections to its socket do not keep it from taking a later start.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "../common/child_program.h"
#include "../common/test_documents.h"
#include "core/start/command_line.h"

namespace {
// A new folder for the channel, the profile and the data of the children.
std::string PrivateFolder()
{
    char folder[] = "/tmp/ovrin-start-XXXXXX";
    if (!mkdtemp(folder)) return {};
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        setenv(name, folder, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return folder;
}

sockaddr_un Address(const std::string& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    return addr;
}

std::string ReadLine(int fd)
{
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') line += c;
    return line;
}

// Exit status, first stderr line, and the path handed to the stand-in running program, which holds
// the channel's lock and socket in folder and takes every request ("open", "ready", "go").
using Outcome = std::tuple<int, std::string, std::string>;
Outcome RunStart(const std::vector<std::string>& argv, const std::string& folder, int listening)
{
    std::string handedOver;
    const pid_t child = StartChild(argv, folder + "/err");
    const std::optional<int> status = ChildStatus(child, 10000, [&] {
        pollfd p{listening, POLLIN, 0};
        if (poll(&p, 1, 20) != 1) return;
        const int fd = accept(listening, nullptr, nullptr);
        const std::string line = ReadLine(fd);
        if (line.rfind("open ", 0) == 0 && write(fd, "ready\n", 6) == 6 && ReadLine(fd) == "go")
            handedOver = line.substr(5);
        close(fd);
    });
    EndChild(child);
    const std::string err = ReadBytes(folder + "/err");
    return {status.value_or(-1), err.substr(0, err.find('\n')), handedOver};
}
}  // namespace

TEST(StartArguments, FileAndPrinter)
{
    using Shell = CCommandLineInfo::Shell;
    const CCommandLineInfo printTo = ParseCommandLine({"/PT", "a.ovr", "Laser", "drv", "port"});
    EXPECT_EQ(printTo.m_nShellCommand, Shell::FilePrintTo);
    EXPECT_EQ(printTo.m_strFileName + printTo.m_strPrinterName + printTo.m_strDriverName +
                  printTo.m_strPortName,
              "a.ovrLaserdrvport");
    EXPECT_EQ(ParseCommandLine({"a.ovr", "-p"}).m_nShellCommand, Shell::FilePrint);
    // Printing needs a file; without one the program starts empty.
    EXPECT_EQ(ParseCommandLine({"/p"}).m_nShellCommand, Shell::FileNew);
}

TEST(StartArguments, BothProgramsReadTheSameLists)
{
    const std::string ovrin = OvrinBinary();
    if (ovrin.empty()) GTEST_SKIP() << "OVRIN_BINARY is not set";
    const std::string window = std::filesystem::path(ovrin).parent_path() / "ovrin-window";
    const std::string root = PrivateFolder();
    ASSERT_EQ(chdir(root.c_str()), 0);
    const int lock = open((root + "/ovrin.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    const int listening = socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un addr = Address(root + "/ovrin.socket");
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(listening, 4), 0);

    const std::pair<std::vector<std::string>, Outcome> cases[] = {
        {{"-notes.ovr"}, {2, "ovrin: unknown option \"-notes.ovr\"", ""}},
        {{"a.ovr", "b.ovr"}, {2, "ovrin: too many arguments", ""}},
        {{"/pt", "a.ovr", "P", "D", "O", "x"}, {2, "ovrin: too many arguments", ""}},
        {{"a.ovr", "--list", "b.ovr"}, {2, "ovrin: --list needs FILE, nothing more", ""}},
        {{"/p", "--list", "a.ovr"}, {2, "ovrin: --list does not go with /p, /pt or /dde", ""}},
        {{"--descriptions", "a.ovr"}, {2, "ovrin: --descriptions goes only with --find", ""}},
        {{"--export", "a.ovr", "--list"}, {2, "ovrin: --export and --list do not go together", ""}},
        {{"--", "-odd.ovr"}, {0, "", root + "/-odd.ovr"}},
        {{"a.ovr"}, {0, "", root + "/a.ovr"}},
        // A lone "-" is a file, and so is an absolute path that starts as a switch.
        {{"-"}, {0, "", root + "/-"}},
        {{"/p.ovr"}, {0, "", "/p.ovr"}},
        // A running program answers: nothing to wait for.
        {{"/DDE"}, {0, "", ""}},
    };
    for (const auto& [arguments, outcome] : cases) {
        // The window hands what it cannot follow to `ovrin`, so even the rest of the usage text matches.
        std::string fullMessage[2];
        for (int i = 0; const std::string& program : {ovrin, window}) {
            std::vector<std::string> argv{program};
            argv.insert(argv.end(), arguments.begin(), arguments.end());
            EXPECT_EQ(RunStart(argv, root, listening), outcome) << program << " " << arguments[0];
            fullMessage[i++] = ReadBytes(root + "/err");
        }
        EXPECT_EQ(fullMessage[0], fullMessage[1]) << arguments[0];
    }
    close(listening);
    close(lock);
    std::filesystem::remove_all(root);
}

// Silent connections flooding under a low descriptor limit leave the socket for a real later start.
TEST(StartArguments, IdleConnectionsLeaveTheHandOverWorking)
{
    const std::string ovrin = OvrinBinary();
    if (ovrin.empty()) GTEST_SKIP() << "OVRIN_BINARY is not set";
    const std::string root = PrivateFolder();
    const std::string document = root + "/handed over.ovr";
    ASSERT_TRUE(WriteEntries(document, {{"alpha", "one"}}).ok);
    const pid_t running =
        StartChild({"/bin/sh", "-c", "ulimit -n 24 && exec \"$0\"", ovrin}, root + "/running.log");

    const sockaddr_un addr = Address(root + "/ovrin.socket");
    std::vector<int> idle;
    for (int i = 0; i < 200 && idle.size() < 40; ++i) {
        const int fd = socket(AF_UNIX, SOCK_STREAM | (idle.empty() ? 0 : SOCK_NONBLOCK), 0);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0 || errno == EINPROGRESS)
            idle.push_back(fd);
        else if (close(fd) == 0 && idle.empty())
            usleep(20000);  // the running program is not listening yet
    }
    ASSERT_FALSE(idle.empty()) << ReadBytes(root + "/running.log");
    usleep(1500000);  // the running program takes in what it can

    const pid_t later = StartChild({ovrin, document});
    const std::optional<int> status = ChildStatus(later, 6000);
    EndChild(later);  // one that opened a window of its own
    EXPECT_EQ(status, std::optional<int>(0)) << "the later start was not handed over";
    // The running program opened the file: it heads its recent-file list.
    const std::string profile = root + "/Ovrin/Ovrin.conf";
    for (int i = 0; i < 250 && ReadBytes(profile).find("handed over.ovr") == std::string::npos; ++i)
        usleep(20000);
    EXPECT_NE(ReadBytes(profile).find("handed over.ovr"), std::string::npos);

    for (const int fd : idle) close(fd);
    EndChild(running);
    std::filesystem::remove_all(root);
}
