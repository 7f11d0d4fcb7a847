// SPDX-License-Identifier: MIT
#include "gui/app/channel_folder.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/socket.h>
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

long PeerUid(int socketDescriptor)
{
#ifdef SO_PEERCRED
    struct ucred cred {};
    socklen_t size = sizeof cred;
    if (getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred)
        return -1;
    return static_cast<long>(cred.uid);
#else
    uid_t uid = 0;
    gid_t gid = 0;
    if (getpeereid(socketDescriptor, &uid, &gid) != 0)
        return -1;
    return static_cast<long>(uid);
#endif
}

long FreeDescriptors()
{
    constexpr long kUnknown = 1L << 20;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnknown;
    DIR* folder = opendir("/proc/self/fd");
    if (!folder)
        return kUnknown;
    long open = 0;
    while (const dirent* entry = readdir(folder))
        open += entry->d_name[0] != '.';
    closedir(folder);
    // The folder's own descriptor was counted, and is closed again.
    return static_cast<long>(limit.rlim_cur) - (open - 1);
}
