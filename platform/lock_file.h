// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// An exclusive lock on a file, held until it is released or the process
// ends, however it ends: the system releases it then.

// Opens (creating it, mode 0600, never through a symbolic link) and locks the
// file at path without waiting. Returns the descriptor that holds the lock,
// or -1 when the file cannot be opened or another process holds the lock.
int TakeLock(const std::string& path);

// Gives up a lock that TakeLock took.
void ReleaseLock(int lockDescriptor);
