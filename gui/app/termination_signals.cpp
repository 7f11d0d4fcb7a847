// SPDX-License-Identifier: MIT
#include "gui/app/termination_signals.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>

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

CTerminationSignals::CTerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal))
{
    if (!InstallHandlers())
        return;
    m_pNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        while (::read(g_pipe[0], &number, 1) == 1)
            m_onSignal(number);
    });
}

CTerminationSignals::~CTerminationSignals()
{
    // Nobody listens any more: the signals end the program as they would
    // without it.
    if (m_pNotifier) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGHUP, SIG_DFL);
    }
}
