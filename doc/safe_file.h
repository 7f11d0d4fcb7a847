// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Replaces the file at `path` with `bytes` so that it is either wholly old or
// wholly new: the bytes go to a temporary file in the same folder, are
// flushed to disk, and the temporary is then renamed over the target. The
// target's permission bits are kept. On failure `error` names the reason and
// the old file is untouched.
bool ReplaceFileContents(const std::string& path, std::string_view bytes, std::string& error);
