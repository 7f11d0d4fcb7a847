// SPDX-License-Identifier: MIT
#pragma once

// The address of the function `name` in the shared library `library`, looked
// up at run time: the library is used as it is when already loaded, and
// loaded otherwise. Null when either cannot be found.
void* LibraryFunction(const char* library, const char* name);
