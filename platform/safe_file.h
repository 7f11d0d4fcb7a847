// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// How a save treats a path that names no file yet. OnlyCreate writes a new
// file and never anything else: the path must name nothing (not even a
// link, which is not followed), and a file that takes the name while the
// content is written is kept and the save fails (EEXIST).
enum class WhenMissing { Create, Fail, OnlyCreate };

// Writes `bytes` as the whole content of the file that `path` finally names
// (symbolic links are followed to their target), so that after a failure or
// a crash the file holds either its old or its new content:
//
// - Normally the bytes go to a temporary file beside the target, which is
//   synced and renamed over it. It takes the target's mode, owner and group;
//   a new file gets the mode that the umask allows.
// - When a rename would change what other names of the file see (several
//   hard links), or the temporary cannot carry the owner and group, or the
//   folder may not be written, the file is rewritten in place, keeping its
//   inode. Its new length is reserved first, so a full disk fails before a
//   byte is overwritten; where the folder allows it, a complete synced copy
//   of the new content lies beside the file while it is rewritten.
// - A file without write access is never replaced, nor anything but a
//   regular file.
//
// Temporary files are named ".NAME.ovrin-save-XXXXXX" after the target
// (NAME cut short and followed by "~" and its digest where the whole would
// not fit into a file name); those left by a save that was killed are
// removed by the next successful save, and no other file. On failure
// `error` says why and the file is as it was.
//
// `stillWanted`, when given, is asked right before the file is replaced or
// rewritten, after the new content was written: false drops the temporary
// file and fails without touching the file (another program may have
// written its own version meanwhile).
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error,
                         WhenMissing whenMissing = WhenMissing::Create,
                         const std::function<bool()>& stillWanted = {});

// Writes the whole content to an open file from its current position;
// false, with errno set, when a write fails. It may be called more than
// once and must write the same bytes each time.
using ContentWriter = std::function<bool(int fd)>;

// The same for content that is written piece by piece rather than held
// whole in memory; `size` tells its length, asked only when the file is
// written in place without a temporary file to measure.
bool ReplaceFileContents(const std::string& path, const std::function<std::uint64_t()>& size,
                         const ContentWriter& write, std::string& error,
                         WhenMissing whenMissing = WhenMissing::Create,
                         const std::function<bool()>& stillWanted = {});

// Whether `path` names a file that exists and that this process may not
// write, or that nobody may write (which holds for root too).
bool IsReadOnlyFile(const std::string& path);

// Removes from the open folder `folder` what a killed writer of this
// program left there: a regular file with a name `isOwnName` accepts, owned
// by this user, with no other name, that nobody holds a lock on (a writer
// locks its temporary while it writes). Nothing else is ever removed.
void RemoveStaleLeftovers(int folder, const std::function<bool(const char*)>& isOwnName);

// Writes all of `bytes` to `fd`, retrying short writes; false with errno set.
bool WriteAllTo(int fd, std::string_view bytes);
