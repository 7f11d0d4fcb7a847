// SPDX-License-Identifier: MIT
#include "cli/new_document_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "doc/archive.h"
#include "doc/ovrin_doc.h"
#include "platform/safe_file.h"

namespace {

constexpr std::string_view kTemporaryPrefix = ".ovrin-import-";
constexpr std::size_t kTemporaryLetters = 8;

bool IsLetterOrDigit(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string NewTemporaryName()
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string name(kTemporaryPrefix);
    for (std::size_t i = 0; i < kTemporaryLetters; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

// Moves `from` to `to` in `folder` unless `to` exists. A rename that may not
// replace is the one step for this; a file system without it gets a hard
// link, which does not replace either.
int MoveWithoutReplacing(int folder, const std::string& from, const std::string& to)
{
    if (::renameat2(folder, from.c_str(), folder, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::linkat(folder, from.c_str(), folder, to.c_str(), 0) != 0) return errno;
    ::unlinkat(folder, from.c_str(), 0);
    return 0;
}

// The document's stream into `fd`, synced; 0 or the errno of the failure.
int WriteStream(COvrinDoc& doc, int fd)
{
    int error = 0;
    std::string buffer;
    CArchive ar(buffer, [&](std::string_view piece) {
        if (error == 0 && !WriteAllTo(fd, piece)) error = errno;
    }, 1 << 20);
    doc.Serialize(ar);
    ar.Flush();
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    return error;
}

}  // namespace

bool IsImportTemporaryName(const std::string& name)
{
    if (name.size() != kTemporaryPrefix.size() + kTemporaryLetters || name.rfind(kTemporaryPrefix, 0) != 0)
        return false;
    for (std::size_t i = kTemporaryPrefix.size(); i < name.size(); ++i)
        if (!IsLetterOrDigit(name[i])) return false;
    return true;
}

NewDocumentPlace::~NewDocumentPlace()
{
    if (m_folder >= 0) ::close(m_folder);
}

bool NewDocumentPlace::Open(const std::string& path, std::string& error)
{
    const std::size_t slash = path.rfind('/');
    m_name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (m_name.empty() || m_name == "." || m_name == "..") {
        error = "it does not name a file";
        return false;
    }
    // A later import would take such a file for a killed import's leftover.
    if (IsImportTemporaryName(m_name)) {
        error = "names of this pattern are kept for the temporaries of --import";
        return false;
    }
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    m_folder = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool NewDocumentPlace::Exists() const
{
    struct stat st {};
    return ::fstatat(m_folder, m_name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

int NewDocumentPlace::Write(COvrinDoc& doc) const
{
    RemoveStaleLeftovers(m_folder, IsImportTemporaryName);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = NewTemporaryName();
        fd = ::openat(m_folder, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    ::flock(fd, LOCK_EX | LOCK_NB);
    int error = 0;
    try {
        error = WriteStream(doc, fd);
    } catch (...) {
        ::unlinkat(m_folder, temporary.c_str(), 0);
        ::close(fd);
        throw;
    }
    if (error == 0) error = MoveWithoutReplacing(m_folder, temporary, m_name);
    if (error != 0) {
        ::unlinkat(m_folder, temporary.c_str(), 0);
    } else {
        // The folder's entry of the new file reaches the disk too.
        const int folder = ::openat(m_folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    ::close(fd);
    return error;
}
