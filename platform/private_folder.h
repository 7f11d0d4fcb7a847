// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include <sys/types.h>

// Where the open-request socket of one user lives, and the checks that keep
// other users away from it. Plain POSIX, so that the rules can be tested on
// the real file system without a display.

// Whether path is a real folder (not a symbolic link) owned by uid that no
// one else may enter or write to. why receives the reason when it is not.
bool IsPrivateFolder(const std::string& path, uid_t uid, std::string* why = nullptr);

// The folder for the socket: the user's runtime folder when it is set and
// private, else "<tempDir>/ovrin-<uid>", created with mode 0700 when
// missing. A folder of that name that is not private (made by someone else,
// a link, open to others) is never used: the result is then empty and why
// says so, and the program runs without the channel.
std::string ChooseChannelFolder(const char* runtimeDir, const std::string& tempDir, uid_t uid,
                                std::string* why = nullptr);
