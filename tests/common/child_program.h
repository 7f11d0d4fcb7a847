// SPDX-License-Identifier: MIT
#pragma once

// The real programs run as child processes, their arguments passed as
// bytes (a file name need not be valid UTF-8).

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

// `ovrin`, as built; empty when the build did not say where.
inline std::string OvrinBinary() { return std::getenv("OVRIN_BINARY") ? std::getenv("OVRIN_BINARY") : ""; }

// Starts argv[0] with argv, its stderr into errFile when one is named.
inline pid_t StartChild(const std::vector<std::string>& argv, const std::string& errFile = {})
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (errFile.empty() || freopen(errFile.c_str(), "w", stderr)) execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

// The exit status once the child has ended within timeoutMs, else nothing;
// wait runs between the looks (the widget tests keep their events going).
inline std::optional<int> ChildStatus(pid_t pid, int timeoutMs, const std::function<void()>& wait = [] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
})
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > end) return std::nullopt;
        wait();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Ends a child still running (one that opened a window of its own).
inline void EndChild(pid_t pid)
{
    if (pid > 0 && kill(pid, SIGKILL) == 0) waitpid(pid, nullptr, 0);
}
