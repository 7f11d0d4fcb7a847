// SPDX-License-Identifier: MIT
#include "platform/known_file.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <xxhash.h>

#include "platform/file_system.h"

namespace {

FileStamp StampFrom(const struct stat& st)
{
    return FileStamp{true,
                     static_cast<std::uint64_t>(st.st_dev),
                     static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::uint64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec),
                     static_cast<std::int64_t>(st.st_mtim.tv_nsec),
                     static_cast<std::int64_t>(st.st_ctim.tv_sec),
                     static_cast<std::int64_t>(st.st_ctim.tv_nsec)};
}

}  // namespace

FileStamp StampOf(const std::string& path)
{
    const PathPlace place(path);
    struct stat st {};
    return place.Error() == 0 && ::fstatat(place.Folder(), place.Name(), &st, 0) == 0 ? StampFrom(st)
                                                                                     : FileStamp{};
}

FileStamp StampOf(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? StampFrom(st) : FileStamp{};
}

struct ContentDigest::State {
    XXH3_state_t* state = XXH3_createState();
    ~State() { XXH3_freeState(state); }
};

ContentDigest::ContentDigest() : m_pState(std::make_unique<State>())
{
    if (!m_pState->state)
        throw std::bad_alloc();
    Reset();
}

ContentDigest::~ContentDigest() = default;

void ContentDigest::Reset() { XXH3_64bits_reset(m_pState->state); }

void ContentDigest::Add(std::string_view bytes)
{
    XXH3_64bits_update(m_pState->state, bytes.data(), bytes.size());
}

std::uint64_t ContentDigest::Value() const { return XXH3_64bits_digest(m_pState->state); }

std::optional<std::uint64_t> DigestOfFile(int fd)
{
    ContentDigest digest;
    std::string buffer(1 << 20, '\0');
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return digest.Value();
        digest.Add(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
        at += n;
    }
}

FileChange ChangeSince(KnownFile& known, FileStamp& now)
{
    now = StampOf(known.path);
    if (!now.exists)
        return FileChange::Vanished;
    if (now == known.stamp)
        return FileChange::None;
    // Only a different size or content is a change; times alone are not.
    if (now.size != known.stamp.size)
        return FileChange::Changed;
    const PathPlace place(known.path);
    const int fd = ::openat(place.Folder(), place.Name(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileChange::Changed;
    const FileStamp opened = StampOf(fd);
    const std::optional<std::uint64_t> digest = DigestOfFile(fd);
    ::close(fd);
    if (!digest || *digest != known.digest || opened.size != known.stamp.size)
        return FileChange::Changed;
    known.stamp = now = opened;
    return FileChange::None;
}
