// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// What tells one version of a file from another without reading it: the
// file's identity on its device, its size, and its modification and change
// times to the nanosecond. The modification time can be set back by anyone
// who writes the file; the change time cannot, short of changing the clock.
// The default stamp is that of no file at all.
struct FileStamp final {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    std::int64_t changeSeconds = 0;
    std::int64_t changeNanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file that `path` names, symbolic links followed.
FileStamp StampOf(const std::string& path);
// The stamp of an open file.
FileStamp StampOf(int fd);

// A 64-bit digest of bytes that come piece by piece. Not proof against
// someone who wants two files to look alike, only against chance.
class ContentDigest final {
public:
    ContentDigest();
    ~ContentDigest();
    ContentDigest(const ContentDigest&) = delete;
    ContentDigest& operator=(const ContentDigest&) = delete;

    void Reset();
    void Add(std::string_view bytes);
    std::uint64_t Value() const;

private:
    struct State;
    std::unique_ptr<State> m_pState;
};

// The digest of an open file's whole content, read from its first byte;
// nothing when it cannot be read.
std::optional<std::uint64_t> DigestOfFile(int fd);

// The file a document last read or wrote, as it was then, so that a change
// by someone else can be told before the document is written over it.
struct KnownFile final {
    std::string path;  // empty: the document knows no file
    FileStamp stamp;
    std::uint64_t digest = 0;
    // The other version the person chose to keep when asked; "Save
    // immediate" stays quiet while it stands.
    std::optional<FileStamp> keptOther;
    // The other version the person was last told about.
    std::optional<FileStamp> toldOther;
    // The version a write was last allowed to replace, looked at again
    // right before it is replaced.
    std::optional<FileStamp> writable;
};

enum class FileChange { None, Changed, Vanished };

// Whether the file at `known.path` is still the one known: a new stamp with
// the same bytes (a sync tool touching the file) counts as no change, and
// the known stamp takes the new one. `now` receives the file's stamp.
// Equal stamps, change time included, are taken as the same bytes.
FileChange ChangeSince(KnownFile& known, FileStamp& now);
