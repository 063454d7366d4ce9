// Shared by the fuzz targets: writing an input to a file the readers can open, and
// stopping loudly when a reader breaks one of its promises.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes `data` to a file of this process named with `suffix`; returns its path.
std::string write_input(const uint8_t* data, size_t size, const char* suffix);

// True when `text` has a terminating NUL within its `size` bytes.
bool terminated(const char* text, size_t size);

// Aborts with `what` when `condition` fails, so the fuzzer keeps the input.
void promise(bool condition, const char* what);
