// SPDX-License-Identifier: MIT
#include "platform/program_paths.h"

#include <climits>
#include <filesystem>

#include <unistd.h>

#ifndef OVRIN_WINDOW_FROM_FRONT_END
#define OVRIN_WINDOW_FROM_FRONT_END "../libexec/ovrin/ovrin-window"
#endif
#ifndef OVRIN_FRONT_END_FROM_WINDOW
#define OVRIN_FRONT_END_FROM_WINDOW "../../bin/ovrin"
#endif

namespace {

constexpr const char* kFrontEndName = "ovrin";
constexpr const char* kWindowName = "ovrin-window";

bool IsProgram(const std::filesystem::path& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// The program named `name` beside `from`, else the one at `installed`
// relative to it; empty when neither is there.
std::string Companion(const std::string& from, const char* name, const char* installed)
{
    const std::filesystem::path folder = std::filesystem::path(from).parent_path();
    const std::filesystem::path beside = folder / name;
    if (IsProgram(beside)) return beside.string();
    const std::filesystem::path other = (folder / installed).lexically_normal();
    if (IsProgram(other)) return other.string();
    return {};
}

}  // namespace

std::string RunningProgramPath()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::string WindowProgramPath(const std::string& frontEndPath)
{
    const std::string found = Companion(frontEndPath, kWindowName, OVRIN_WINDOW_FROM_FRONT_END);
    return found.empty() ? (std::filesystem::path(frontEndPath).parent_path() / kWindowName).string()
                         : found;
}

std::string FrontEndPath(const std::string& windowPath)
{
    const std::string found = Companion(windowPath, kFrontEndName, OVRIN_FRONT_END_FROM_WINDOW);
    return found.empty() ? windowPath : found;
}

bool IsInstalledWindowProgram(const std::string& windowPath)
{
    const std::filesystem::path folder = std::filesystem::path(windowPath).parent_path();
    return !IsProgram(folder / kFrontEndName) &&
           IsProgram((folder / OVRIN_FRONT_END_FROM_WINDOW).lexically_normal());
}
