// SPDX-License-Identifier: MIT
#pragma once

// Registers the compiled-in resources (icons). They live in a static
// library, whose unreferenced objects the linker drops; calling this from
// the code that uses them keeps them in.
void EnsureResources();
