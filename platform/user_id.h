// SPDX-License-Identifier: MIT
#pragma once

#include <sys/types.h>

// The real user id of this process: whose private folders and whose peers
// are its own.
uid_t CurrentUserId();
