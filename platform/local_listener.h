// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// A listening local (Unix domain) socket, for a program that watches it
// for readability itself and accepts one connection at a time.

// Listens at path (which must not exist); the descriptor is non-blocking
// and closed on exec. -1 on failure.
int ListenLocal(const std::string& path);

enum class AcceptOutcome {
    Accepted,
    NoneWaiting,        // nothing to accept now (or the caller gave up)
    OutOfDescriptors,   // the process or the system has none left
};
// Accepts one waiting connection into *fd (closed on exec, blocking as a
// connected socket usually is).
AcceptOutcome AcceptLocal(int listener, int* fd);

// Closes a descriptor had from the two above.
void CloseLocal(int fd);
