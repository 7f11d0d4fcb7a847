// SPDX-License-Identifier: MIT
#include "platform/user_id.h"

#include <unistd.h>

uid_t CurrentUserId() { return getuid(); }
