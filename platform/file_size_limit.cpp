// SPDX-License-Identifier: MIT
#include "platform/file_size_limit.h"

#include <csignal>

void FailWritesBeyondFileSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }
