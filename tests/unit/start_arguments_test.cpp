// SPDX-License-Identifier: MIT
// A start's arguments are read by one parser: `ovrin` and the window program
// refuse the same lists with the same message, and hand the same file over
// to a running program.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "../common/child_program.h"
#include "app/logic/command_line.h"

namespace {

using Shell = CCommandLineInfo::Shell;

// What a start did: its exit status, the first line it wrote to stderr and
// the path it handed over ("" when none).
struct Outcome {
    int status = -1;
    std::string message;
    std::string handedOver;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o)
{
    return out << o.status << " \"" << o.message << "\" \"" << o.handedOver << "\"";
}

// Stands in for the running program: holds the channel's lock and socket
// and takes every request.
class FakeRunningProgram final {
public:
    explicit FakeRunningProgram(const std::string& folder)
    {
        m_lock = open((folder + "/ovrin.lock").c_str(), O_RDWR | O_CREAT, 0600);
        flock(m_lock, LOCK_EX);
        m_listen = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        (folder + "/ovrin.socket").copy(addr.sun_path, sizeof addr.sun_path - 1);
        bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(m_listen, 4);
    }
    ~FakeRunningProgram()
    {
        close(m_listen);
        close(m_lock);
    }

    Outcome Run(const std::vector<std::string>& argv, const std::string& errFile)
    {
        Outcome outcome;
        const pid_t child = StartChild(argv, errFile);
        const std::optional<int> status = ChildStatus(child, 10000, [&] {
            pollfd p{m_listen, POLLIN, 0};
            if (poll(&p, 1, 20) == 1) Serve(outcome.handedOver);
        });
        EndChild(child);
        outcome.status = status.value_or(-1);
        std::ifstream err(errFile);
        std::getline(err, outcome.message);
        return outcome;
    }

private:
    // "open <path>" is answered with "ready" and taken on "go".
    void Serve(std::string& path)
    {
        const int fd = accept(m_listen, nullptr, nullptr);
        std::string line = ReadLine(fd);
        if (line.rfind("open ", 0) == 0 && write(fd, "ready\n", 6) == 6 && ReadLine(fd) == "go")
            path = line.substr(5);
        close(fd);
    }
    static std::string ReadLine(int fd)
    {
        std::string line;
        char c = 0;
        while (read(fd, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }

    int m_lock = -1;
    int m_listen = -1;
};

}  // namespace

TEST(StartArguments, SwitchesFileAndPrinter)
{
    struct Case {
        std::vector<std::string> arguments;
        Shell shell;
        std::string file;
        std::string printer;
        std::string port;
    };
    const Case cases[] = {
        {{}, Shell::FileNew, "", "", ""},
        {{"a.ovr", "-P"}, Shell::FilePrint, "a.ovr", "", ""},
        {{"/pt", "a.ovr", "Laser", "drv", "port"}, Shell::FilePrintTo, "a.ovr", "Laser", "port"},
        {{"/PT", "a.ovr"}, Shell::FilePrintTo, "a.ovr", "", ""},
        // Printing needs a file; without one the program starts empty.
        {{"/p"}, Shell::FileNew, "", "", ""},
        {{"-dde"}, Shell::FileDDE, "", "", ""},
    };
    for (const Case& c : cases) {
        const CCommandLineInfo info = ParseCommandLine(c.arguments);
        EXPECT_EQ(info.m_nShellCommand, c.shell) << c.arguments.size();
        EXPECT_EQ(info.m_strFileName, c.file);
        EXPECT_EQ(info.m_strPrinterName, c.printer);
        EXPECT_EQ(info.m_strPortName, c.port);
        EXPECT_EQ(info.m_strError, "");
    }
}

TEST(StartArguments, BothProgramsReadTheSameLists)
{
    const std::string ovrin = OvrinBinary();
    if (ovrin.empty()) GTEST_SKIP() << "OVRIN_BINARY is not set";
    const std::string window = std::filesystem::path(ovrin).parent_path() / "ovrin-window";
    char folder[] = "/tmp/ovrin-args-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string root = folder;
    setenv("XDG_RUNTIME_DIR", root.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ASSERT_EQ(chdir(root.c_str()), 0);
    FakeRunningProgram running(root);

    struct Case {
        std::vector<std::string> arguments;
        Outcome outcome;
    };
    const Case cases[] = {
        {{"-notes.ovr"}, {2, "ovrin: unknown option \"-notes.ovr\"", ""}},
        {{"a.ovr", "b.ovr"}, {2, "ovrin: too many arguments", ""}},
        {{"/pt", "a.ovr", "P", "D", "O", "x"}, {2, "ovrin: too many arguments", ""}},
        {{"a.ovr", "--list"}, {2, "ovrin: --list must be the first argument", ""}},
        {{"a.ovr"}, {0, "", root + "/a.ovr"}},
        // A lone "-" is a file, and so is an absolute path that starts as a switch.
        {{"-"}, {0, "", root + "/-"}},
        {{"/p.ovr"}, {0, "", "/p.ovr"}},
        // A running program answers: nothing to wait for.
        {{"/DDE"}, {0, "", ""}},
    };
    for (const Case& c : cases) {
        for (const std::string& program : {ovrin, window}) {
            std::vector<std::string> argv{program};
            argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
            EXPECT_EQ(running.Run(argv, root + "/err"), c.outcome) << program << " " << c.arguments[0];
        }
    }
    std::filesystem::remove_all(root);
}
