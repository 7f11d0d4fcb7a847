// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <vector>

// The names in a folder as the bytes the system holds, "." and ".."
// included, in the system's order; std::nullopt when the folder cannot be
// read.
std::optional<std::vector<std::string>> FolderNames(const std::string& folder);
