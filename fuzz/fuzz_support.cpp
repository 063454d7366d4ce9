#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string write_input(const uint8_t* data, size_t size, const char* suffix) {
    const std::string path = "/tmp/rosterbook-fuzz-" + std::to_string(getpid()) + suffix;
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) abort();
    if (size > 0) fwrite(data, 1, size, file);
    fclose(file);
    return path;
}

bool terminated(const char* text, size_t size) { return memchr(text, '\0', size) != nullptr; }

void promise(bool condition, const char* what) {
    if (condition) return;
    fprintf(stderr, "broken promise: %s\n", what);
    abort();
}
