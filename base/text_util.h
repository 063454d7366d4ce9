// Small text helpers for fixed-size buffers: bounded copies, trimming and quote removal.
#pragma once

#include <cstddef>

// Copies `source` into `destination` (capacity `size`, at least 1), cut to size - 1
// bytes and always NUL-terminated. A null source copies as the empty text.
void copy_text(char* destination, size_t size, const char* source);

// Removes one pair of enclosing double quotes in place (text of at least 2 characters).
void strip_quotes(char* text);

// Removes leading and trailing white space (isspace) in place.
void trim_in_place(char* text);
