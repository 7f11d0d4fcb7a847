// SPDX-License-Identifier: MIT
#include "platform/private_folder.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

bool IsPrivateFolder(const std::string& path, uid_t uid, std::string* why)
{
    auto fail = [why](std::string reason) {
        if (why)
            *why = std::move(reason);
        return false;
    };
    struct stat st {};
    // lstat: a link planted in the place of the folder is not followed.
    if (path.empty() || lstat(path.c_str(), &st) != 0)
        return fail(path + ": " + std::strerror(errno));
    if (!S_ISDIR(st.st_mode))
        return fail(path + " is not a folder");
    if (st.st_uid != uid)
        return fail(path + " belongs to another user");
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return fail(path + " is open to other users");
    return true;
}

std::string ChooseChannelFolder(const char* runtimeDir, const std::string& tempDir, uid_t uid,
                                std::string* why)
{
    if (runtimeDir && *runtimeDir && IsPrivateFolder(runtimeDir, uid))
        return runtimeDir;
    const std::string folder =
        (tempDir.empty() ? std::string("/tmp") : tempDir) + "/ovrin-" + std::to_string(uid);
    // mkdir fails on anything already there, a link included; what is there
    // must then pass the same checks as a folder we made ourselves.
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        if (why)
            *why = folder + ": " + std::strerror(errno);
        return {};
    }
    if (!IsPrivateFolder(folder, uid, why))
        return {};
    return folder;
}
