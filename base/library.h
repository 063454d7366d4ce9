// Shared libraries opened when a run first needs them (dlopen), so a run that never reads a
// spreadsheet, shapes a name or meets a HEIC picture does not pay for loading libzip,
// HarfBuzz or libheif at start-up.
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

// A library's functions are a record `lib` with `bool loaded = true` and a member of each function's
// own name. Their names are written once, as a list macro taking a macro
// (#define LIBZIP_FUNCTIONS(F) F(zip_open) F(zip_fopen) ...), expanded with:
// LIBRARY_FUNCTION, the record's members;
#define LIBRARY_FUNCTION(name) decltype(&::name) name;
// LIBRARY_LOOKED_UP, each looked up in `library` (open_library's), `lib.loaded` left false
// when one is missing;
#define LIBRARY_LOOKED_UP(name) lib.loaded = look_up(library, #name, &lib.name) && lib.loaded;
// LIBRARY_LINKED, each as linked in: the web page's module has no dynamic loading.
#define LIBRARY_LINKED(name) lib.name = ::name;
