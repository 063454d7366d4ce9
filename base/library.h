// Shared libraries opened when a run first needs them (dlopen), so a run that never reads a
// spreadsheet or a HEIC picture does not pay for loading libzip or libheif at start-up.
#pragma once

#include <dlfcn.h>

// Opens the library `soname` ("libzip.so.4") for the rest of the process; null when it cannot
// be loaded (not installed).
inline void* open_library(const char* soname) { return dlopen(soname, RTLD_NOW | RTLD_LOCAL); }

// Sets `*function` to the function `name` of `library` (open_library's); false, leaving it
// null, when the library is null or lacks it.
template <typename Function>
bool look_up(void* library, const char* name, Function* function) {
    *function = library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
    return *function != nullptr;
}
