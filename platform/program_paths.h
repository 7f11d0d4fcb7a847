// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// `ovrin` is a small program that runs the command-line modes itself and
// hands everything else to the window program, `ovrin-window`. In the build
// folder both lie side by side; installed, the window program lives in
// libexec (the relative paths come from the build, see CMakeLists.txt).

// The path of the running program, from /proc/self/exe; empty if unknown.
std::string RunningProgramPath();

// The window program that belongs to the front end at `frontEndPath`.
std::string WindowProgramPath(const std::string& frontEndPath);

// The front end that belongs to the window program at `windowPath`, the
// command the desktop should run; the window program itself when there is
// no front end beside it.
std::string FrontEndPath(const std::string& windowPath);

// Whether the window program at `windowPath` runs from an installed place
// (its front end at the installed relative path, not beside it): then the
// package has registered it with the desktop already.
bool IsInstalledWindowProgram(const std::string& windowPath);
