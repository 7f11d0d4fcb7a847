// SPDX-License-Identifier: MIT
#include "cli/new_document_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "doc/ovrin_doc.h"

namespace {

FileResult Failure(FileResult::Error error, std::string message)
{
    return FileResult{false, error, std::move(message)};
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Moves `from` to `to` unless `to` exists. A rename that may not replace is
// the one step for this; a file system without it gets a hard link, which
// does not replace either.
int MoveWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

// The folder's entry of the new file reaches the disk too.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

FileResult WriteNewDocumentFile(COvrinDoc& doc, const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fs::absolute(path, ec).lexically_normal();
    const std::string shown = ec ? path : target.string();
    if (Exists(shown))
        return Failure(FileResult::Error::CannotWrite,
                       shown + " already exists; nothing is ever written over a file.");
    if (target.filename().empty())
        return Failure(FileResult::Error::CannotWrite, shown + " does not name a file.");

    const fs::path folder = target.parent_path();
    std::string temp = (folder / ("." + target.filename().string() + ".new-XXXXXX")).string();
    if (::mkdtemp(temp.data()) == nullptr)
        return Failure(FileResult::Error::CannotWrite,
                       "Cannot write " + shown + ": " + std::strerror(errno) + ".");
    const std::string inside = (fs::path(temp) / target.filename()).string();
    FileResult result = SaveDocumentFile(doc, inside);
    if (result.ok) {
        if (const int error = MoveWithoutReplacing(inside, shown)) {
            result = Failure(FileResult::Error::CannotWrite,
                             error == EEXIST ? shown + " already exists; nothing is ever written over a file."
                                             : "Cannot write " + shown + ": " + std::strerror(error) + ".");
        } else {
            SyncFolder(folder.string());
            doc.SetPathName(shown);
        }
    } else {
        // The message names the file the user asked for, not the folder it
        // was written in first.
        const std::size_t at = result.message.find(inside);
        if (at != std::string::npos) result.message.replace(at, inside.size(), shown);
    }
    ::unlink(inside.c_str());
    ::rmdir(temp.c_str());
    return result;
}
