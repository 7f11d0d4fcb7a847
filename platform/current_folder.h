// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The process's current folder as the bytes the system holds (a name need
// not be valid UTF-8); empty when the system cannot tell (the folder was
// removed, or its path is out of reach).
std::string CurrentFolder();
