// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Whether anything at all is at path: a file, a folder, a device, or a
// symbolic link, even one that leads nowhere.
bool PathExists(const std::string& path);
