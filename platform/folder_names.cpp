// SPDX-License-Identifier: MIT
#include "platform/folder_names.h"

#include <memory>

#include <dirent.h>

std::optional<std::vector<std::string>> FolderNames(const std::string& folder)
{
    const auto close = [](DIR* open) { closedir(open); };
    const std::unique_ptr<DIR, decltype(close)> dir(opendir(folder.c_str()), close);
    if (!dir)
        return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get()))
        names.emplace_back(entry->d_name);
    return names;
}
