// SPDX-License-Identifier: MIT
#pragma once

#include <array>

constexpr int kStandardOutput = 1;

// A standard descriptor that is closed is filled with /dev/null, so that no
// file opened later takes its number and receives output meant for the
// terminal. Says which of the three were closed: output to a closed
// standard output is still a failure, and so is reading a closed standard
// input (never an empty record set): it is filled for writing only.
std::array<bool, 3> FillClosedStandardDescriptors();
