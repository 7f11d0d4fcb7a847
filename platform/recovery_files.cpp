// SPDX-License-Identifier: MIT
// Every file system call of the recovery records.
#include "platform/recovery_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <random>

#include "platform/safe_file.h"

namespace {

constexpr std::string_view kPrefix = "record-";

std::string Reason() { return std::strerror(errno); }

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Makes the folder and its parents, private to the user where it is new.
bool MakeFolder(const std::string& folder)
{
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Records are private: a folder that another user owns, or that others may
// enter, would let them read, remove or plant records. Checked like the
// folder of the open-request channel.
bool IsPrivateFolder(const std::string& folder, std::string& why)
{
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0)
        why = folder + ": " + Reason();
    else if (!S_ISDIR(st.st_mode))
        why = folder + " is not a folder";
    else if (st.st_uid != ::getuid())
        why = folder + " belongs to another user";
    else if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        why = folder + " is open to other users";
    else
        return true;
    return false;
}

void SyncFolder(const std::string& folder)
{
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

std::string NewName(const std::string& folder)
{
    static std::mt19937_64 random{std::random_device{}()};
    return folder + "/" + std::string(kPrefix) + std::to_string(::getpid()) + "-" +
           std::to_string(random() % 1000000000);
}

}  // namespace

std::string RecoveryFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is ignored, as the desktop's folder rules say.
    if (state != nullptr && state[0] == '/')
        return std::string(state) + "/ovrin";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/state/ovrin";
}

CRecordFile::~CRecordFile()
{
    // Closing releases the lock: the record stays for the next start.
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<CRecordFile> CRecordFile::Create(const std::string& folder, std::string_view start,
                                                 std::string& error)
{
    if (!MakeFolder(folder)) {
        error = "cannot make the folder " + folder + ": " + Reason();
        return nullptr;
    }
    if (!IsPrivateFolder(folder, error))
        return nullptr;
    // An unnamed file gets its name only once it is locked and whole. Where
    // the file system has no unnamed files, a hidden one stands in for it.
    std::string hidden;
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR)) {
        hidden = folder + "/.new-XXXXXX";
        fd = ::mkostemp(hidden.data(), O_CLOEXEC);
    }
    if (fd < 0) {
        error = "cannot write in " + folder + ": " + Reason();
        return nullptr;
    }
    std::unique_ptr<CRecordFile> record(new CRecordFile(fd, std::string()));
    const auto named = [&](const std::string& path) {
        if (hidden.empty())
            return ::linkat(AT_FDCWD, ("/proc/self/fd/" + std::to_string(fd)).c_str(), AT_FDCWD,
                            path.c_str(), AT_SYMLINK_FOLLOW) == 0;
        return ::link(hidden.c_str(), path.c_str()) == 0;
    };
    bool written = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && WriteAllTo(fd, start) && ::fdatasync(fd) == 0;
    for (int attempt = 0; written && attempt < 100; ++attempt) {
        std::string path = NewName(folder);
        if (named(path)) {
            record->m_strPath = std::move(path);
            break;
        }
        written = errno == EEXIST;
    }
    const int why = errno;
    if (!hidden.empty())
        ::unlink(hidden.c_str());
    if (record->m_strPath.empty()) {
        errno = why;
        error = "cannot write in " + folder + ": " + Reason();
        return nullptr;
    }
    SyncFolder(folder);
    return record;
}

std::vector<std::unique_ptr<CRecordFile>> CRecordFile::TakeAbandoned(const std::string& folder)
{
    std::vector<std::unique_ptr<CRecordFile>> out;
    std::string why;
    if (!IsPrivateFolder(folder, why))
        return out;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return out;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir))
        if (std::string_view(e->d_name).starts_with(kPrefix))
            names.emplace_back(e->d_name);
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        std::unique_ptr<CRecordFile> record(new CRecordFile(fd, path));
        struct stat held {}, named {};
        // Held by a living program, or removed by it between the open and
        // the lock (it removes a record before it lets it go).
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &held) != 0 ||
            ::lstat(path.c_str(), &named) != 0 || !SameFile(held, named) || !S_ISREG(held.st_mode) ||
            held.st_uid != ::getuid())
            continue;
        out.push_back(std::move(record));
    }
    return out;
}

bool CRecordFile::Append(std::string_view bytes, std::string& error)
{
    const off_t end = ::lseek(m_fd, 0, SEEK_END);
    if (end < 0 || !WriteAllTo(m_fd, bytes) || ::fdatasync(m_fd) != 0) {
        error = "cannot write " + m_strPath + ": " + Reason();
        // What was synced before stays; the part written of this append
        // goes, so the record ends with a whole frame.
        if (end >= 0 && ::ftruncate(m_fd, end) == 0)
            ::fdatasync(m_fd);
        return false;
    }
    return true;
}

std::string CRecordFile::Contents() const { return Head(SIZE_MAX); }

std::uint64_t CRecordFile::Size() const
{
    struct stat st {};
    return ::fstat(m_fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

std::string CRecordFile::Head(std::size_t limit) const
{
    std::string out;
    char buffer[1 << 16];
    for (off_t at = 0; out.size() < limit;) {
        const ssize_t n = ::pread(m_fd, buffer, std::min(sizeof buffer, limit - out.size()), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return out;
        out.append(buffer, static_cast<std::size_t>(n));
        at += n;
    }
    return out;
}

void CRecordFile::Remove()
{
    // Unlinked before the lock goes, so nobody takes it up in between.
    if (!m_strPath.empty())
        ::unlink(m_strPath.c_str());
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_strPath.clear();
}
