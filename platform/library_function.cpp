// SPDX-License-Identifier: MIT
#include "platform/library_function.h"

#include <dlfcn.h>

void* LibraryFunction(const char* library, const char* name)
{
    void* lib = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (!lib)
        lib = dlopen(library, RTLD_LAZY);
    return lib ? dlsym(lib, name) : nullptr;
}
