// SPDX-License-Identifier: MIT
#include "platform/safe_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_system.h"

namespace {

// As many links as the kernel itself follows before it gives up (ELOOP).
constexpr int kMaxLinks = 40;
// A temporary file is ".NAME" followed by this and six random letters or
// digits: a name no person picks for a file of their own, so that a save
// never takes someone's ".notes.ovr.backup" for a leftover.
constexpr char kTempMark[] = ".ovrin-save-";
constexpr char kTempRandom[] = "XXXXXX";
constexpr char kNoLongerWanted[] = "the file changed while the new content was written";

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path that `path` names once symbolic links in its last part are
// followed; links in the folders above are the kernel's business, since a
// rename inside a folder reached through a link lands in the real folder.
bool ResolveLinks(const std::string& path, std::string& target, std::string& error)
{
    target = path;
    for (int i = 0; i < kMaxLinks; ++i) {
        const PathPlace place(target);
        struct stat st {};
        if (place.Error() != 0 || ::fstatat(place.Folder(), place.Name(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(st.st_mode))
            return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlinkat(place.Folder(), place.Name(), link.data(), link.size());
        if (n < 0) {
            error = std::strerror(errno);
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
    error = std::strerror(ELOOP);
    return false;
}

}  // namespace

void RemoveStaleLeftovers(int folder, const std::function<bool(const char*)>& isOwnName)
{
    // The listing gets a descriptor of its own, which closedir closes.
    const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0)
        return;
    DIR* dir = ::fdopendir(listing);
    if (!dir) {
        ::close(listing);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (!isOwnName(entry->d_name))
            continue;
        const int fd = ::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            st.st_nlink == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

bool WriteAllTo(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, p, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

namespace {

void SyncFolder(int folder)
{
    const int fd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

mode_t ModeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool IsTempName(const std::string& entry, const std::string& prefix)
{
    if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < entry.size(); ++i) {
        const char c = entry[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// The start of the names of `name`'s temporary files: ".NAME" and the mark.
// Where that would make a name longer than a folder takes, NAME is cut
// (never inside a character) and its digest follows, so that the
// temporaries of two long names that begin alike stay apart.
std::string TempPrefix(const std::string& name)
{
    const std::string whole = "." + name + kTempMark;
    if (whole.size() + sizeof kTempRandom - 1 <= NAME_MAX)
        return whole;
    std::uint64_t digest = 14695981039346656037ull;  // FNV-1a
    for (const unsigned char c : name)
        digest = (digest ^ c) * 1099511628211ull;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest));
    const std::string tail = std::string("~") + hex + kTempMark;
    std::size_t keep = NAME_MAX - 1 - tail.size() - (sizeof kTempRandom - 1);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return "." + name.substr(0, keep) + tail;
}

// Creates a new temporary file in `folder`, exclusively, named `prefix` and
// six random letters or digits; its name goes to `temp`.
int CreateTemp(int folder, const std::string& prefix, std::string& temp)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[sizeof kTempRandom - 1];
        if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random))
            return -1;
        temp = prefix;
        for (const unsigned char r : random)
            temp += kLetters[r % (sizeof kLetters - 1)];
        const int fd = ::openat(folder, temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Removes temporary files of `name` left by saves that were killed: only
// files that carry this program's name for them (which CreateTemp made
// exclusively), belong to this user, have no other name, and that no save
// holds a lock on (a save that is still running elsewhere keeps its file).
void RemoveStaleTemps(int folder, const std::string& name)
{
    const std::string prefix = TempPrefix(name);
    RemoveStaleLeftovers(folder, [&prefix](const char* entry) { return IsTempName(entry, prefix); });
}

// Moves `from` to `to` in `folder` unless `to` exists; 0 or the errno of
// the failure. A rename that may not replace is the one step for this; a
// file system without it gets a hard link, which does not replace either.
int MoveWithoutReplacing(int folder, const std::string& from, const std::string& to)
{
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0)
        return errno;
    ::unlinkat(folder, from.c_str(), 0);
    return 0;
}

bool IsReadOnlyAt(int folder, const char* name)
{
    struct stat st {};
    if (::fstatat(folder, name, &st, 0) != 0)
        return false;
    // A file nobody may write is read-only for root too.
    return ::faccessat(folder, name, W_OK, 0) != 0 || (st.st_mode & 0222) == 0;
}

// Rewrites `target` from its first byte, keeping its inode. The new length
// is reserved before anything is overwritten, so that a full disk or a size
// limit fails while the old content is still whole.
bool WriteInPlace(int folder, const std::string& name, std::uint64_t size, const ContentWriter& write,
                  const struct stat& old, bool& touched, std::string& error)
{
    touched = false;
    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    auto fail = [&](int err) {
        ::close(fd);
        error = std::strerror(err);
        return false;
    };
    if (static_cast<std::uint64_t>(old.st_size) < size) {
        const int err = ::posix_fallocate(fd, 0, static_cast<off_t>(size));
        if (err != 0 && err != EOPNOTSUPP && err != EINVAL)
            return fail(err);
    }
    touched = true;
    if (!write(fd) || ::ftruncate(fd, static_cast<off_t>(size)) != 0 ||
        ::fsync(fd) != 0)
        return fail(errno);
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool IsReadOnlyFile(const std::string& path)
{
    const PathPlace place(path);
    return place.Error() == 0 && IsReadOnlyAt(place.Folder(), place.Name());
}

bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error,
                         WhenMissing whenMissing, const std::function<bool()>& stillWanted)
{
    return ReplaceFileContents(
        path, [bytes] { return bytes.size(); }, [bytes](int fd) { return WriteAllTo(fd, bytes); },
        error, whenMissing, stillWanted);
}

bool ReplaceFileContents(const std::string& path, const std::function<std::uint64_t()>& sizeOf,
                         const ContentWriter& write, std::string& error, WhenMissing whenMissing,
                         const std::function<bool()>& stillWanted)
{
    std::string target = path;
    if (whenMissing != WhenMissing::OnlyCreate && !ResolveLinks(path, target, error))
        return false;
    const std::string folderPath = FolderOf(target);
    // The folder stays open: a path too long for one call is written, and
    // everything happens in the one folder found at the start.
    const PathPlace place(target, true);
    if (place.Error() != 0) {
        error = std::strerror(place.Error());
        return false;
    }
    const int folder = place.Folder();
    const std::string name = place.Name();

    struct stat old {};
    const bool exists =
        ::fstatat(folder, name.c_str(), &old, whenMissing == WhenMissing::OnlyCreate ? AT_SYMLINK_NOFOLLOW : 0) == 0;
    if (!exists && (errno != ENOENT || whenMissing == WhenMissing::Fail)) {
        error = std::strerror(errno);
        return false;
    }
    if (exists && whenMissing == WhenMissing::OnlyCreate) {
        error = std::strerror(EEXIST);
        return false;
    }
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            error = "not a regular file";
            return false;
        }
        errno = 0;
        if (IsReadOnlyAt(folder, name.c_str())) {
            error = errno == EROFS ? std::strerror(EROFS) : "the file is read-only";
            return false;
        }
    }

    std::uint64_t size = 0;
    // Several names see one inode: each must see the new content.
    bool inPlace = exists && old.st_nlink > 1;
    std::string temp;
    int fd = CreateTemp(folder, TempPrefix(name), temp);
    if (fd < 0) {
        const int err = errno;
        // A writable file in a folder the user may not write to.
        if (!exists || (err != EACCES && err != EPERM)) {
            error = std::strerror(err);
            return false;
        }
        inPlace = true;
    }
    auto dropTemp = [&] {
        if (fd >= 0) {
            ::close(fd);
            ::unlinkat(folder, temp.c_str(), 0);
            fd = -1;
        }
    };

    if (fd >= 0) {
        // Held until the temporary is gone, so that no other save takes it
        // for one left behind.
        ::flock(fd, LOCK_EX);
        const mode_t mode = exists ? (old.st_mode & 07777) : ModeForNewFile();
        bool ok = write(fd);
        struct stat written {};
        ok = ok && ::fstat(fd, &written) == 0;
        size = static_cast<std::uint64_t>(written.st_size);
        if (ok && exists) {
            // An owner or group that the temporary cannot take would be lost
            // by a rename: write in place instead.
            if ((written.st_uid != old.st_uid || written.st_gid != old.st_gid) &&
                ::fchown(fd, old.st_uid, old.st_gid) != 0)
                inPlace = true;
        }
        ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
        if (!ok) {
            const int err = errno;
            dropTemp();
            error = std::strerror(err);
            return false;
        }
        if (!inPlace) {
            // Writing took a while: the last look before the file is replaced.
            if (stillWanted && !stillWanted()) {
                dropTemp();
                error = kNoLongerWanted;
                return false;
            }
            if (const int err = whenMissing == WhenMissing::OnlyCreate ? MoveWithoutReplacing(folder, temp, name)
                                : ::renameat(folder, temp.c_str(), folder, name.c_str()) != 0 ? errno : 0;
                err != 0) {
                dropTemp();
                error = std::strerror(err);
                return false;
            }
            ::close(fd);
            SyncFolder(folder);
            RemoveStaleTemps(folder, name);
            return true;
        }
    }

    if (fd < 0)
        size = sizeOf();
    if (stillWanted && !stillWanted()) {
        dropTemp();
        error = kNoLongerWanted;
        return false;
    }
    bool touched = false;
    if (!WriteInPlace(folder, name, size, write, old, touched, error)) {
        if (touched && fd >= 0) {
            // The file may now be partly new: the complete new content stays
            // beside it.
            error += "; the new content is kept in " + folderPath + "/" + temp;
            ::close(fd);
            return false;
        }
        dropTemp();
        return false;
    }
    dropTemp();
    RemoveStaleTemps(folder, name);
    return true;
}
