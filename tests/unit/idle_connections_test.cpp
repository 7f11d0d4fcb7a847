// SPDX-License-Identifier: MIT
// Connections to the open-request socket that never send a request must not
// cost the running program its socket: after a flood of them, under a low
// descriptor limit, a real later start is still handed over.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>

#include <gtest/gtest.h>

#include "../common/child_program.h"
#include "../common/test_documents.h"

namespace {

int Connect(const std::string& path, int flags = 0)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | flags, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    path.copy(addr.sun_path, sizeof addr.sun_path - 1);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 || errno == EINPROGRESS)
        return fd;
    close(fd);
    return -1;
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST(IdleConnections, FloodUnderALowDescriptorLimitLeavesTheHandOverWorking)
{
    const std::string ovrin = OvrinBinary();
    if (ovrin.empty()) GTEST_SKIP() << "OVRIN_BINARY is not set";
    char folder[] = "/tmp/ovrin-idle-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string root = folder;
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        setenv(name, root.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string document = root + "/handed over.ovr";
    ASSERT_TRUE(WriteEntries(document, {{"alpha", "one"}}).ok);

    const pid_t running =
        StartChild({"/bin/sh", "-c", "ulimit -n 16 && exec \"$0\"", ovrin}, root + "/running.log");
    const std::string socketPath = root + "/ovrin.socket";
    int probe = -1;
    for (int i = 0; i < 500 && probe < 0; ++i) {
        probe = Connect(socketPath);
        if (probe < 0) usleep(20000);
    }
    ASSERT_GE(probe, 0) << Contents(root + "/running.log");

    std::vector<int> idle{probe};
    for (int i = 0; i < 300; ++i)
        if (const int fd = Connect(socketPath, SOCK_NONBLOCK); fd >= 0) idle.push_back(fd);
    usleep(1500000);  // the running program takes in what it can

    const pid_t later = StartChild({ovrin, document});
    const std::optional<int> status = ChildStatus(later, 6000);
    EndChild(later);  // one that opened a window of its own
    EXPECT_EQ(status, std::optional<int>(0)) << "the later start was not handed over";
    // The running program opened the file: it heads its recent-file list.
    const std::string profile = root + "/Ovrin/Ovrin.conf";
    for (int i = 0; i < 250 && Contents(profile).find("handed over.ovr") == std::string::npos; ++i)
        usleep(20000);
    EXPECT_NE(Contents(profile).find("handed over.ovr"), std::string::npos);

    for (const int fd : idle) close(fd);
    EndChild(running);
    std::filesystem::remove_all(root);
}
