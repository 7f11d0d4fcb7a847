// SPDX-License-Identifier: MIT
#pragma once

// The program's name and version, as About shows it and `ovrin --version`
// prints it.
inline constexpr const char* kVersionLine = "Ovrin, Version 2.0A00";
