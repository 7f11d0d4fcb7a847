// SPDX-License-Identifier: MIT
#include "platform/termination_signal_pipe.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

// One pipe for the process: [0] is read by the loop, [1] written by the handler.
int g_pipe[2] = {-1, -1};

void OnTerminationSignal(int signal)
{
    const int saved = errno;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &number, 1);
    errno = saved;
}

bool InstallHandlers()
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGHUP, &action, nullptr) == 0;
}

}  // namespace

int CatchTerminationSignals()
{
    if (!InstallHandlers())
        return -1;
    return g_pipe[0];
}

int NextCaughtSignal()
{
    char number = 0;
    if (::read(g_pipe[0], &number, 1) == 1)
        return number;
    return 0;
}

void RestoreTerminationSignals()
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
}
