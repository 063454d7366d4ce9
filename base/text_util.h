// Small text helpers for fixed-size buffers: bounded copies, trimming and quote removal; and
// the lists messages write.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Copies `source` into `destination` (capacity `size`, at least 1), cut to at most
// size - 1 bytes without splitting a UTF-8 character, and always NUL-terminated. A null
// source copies as the empty text.
void copy_text(char* destination, size_t size, const char* source);

// The length of the longest prefix of `text` (of `length` bytes) no longer than `limit`
// bytes that does not split a UTF-8 character.
size_t utf8_prefix_length(const char* text, size_t length, size_t limit);

// Removes one pair of enclosing double quotes in place (text of at least 2 characters).
void strip_quotes(char* text);

// Removes leading and trailing white space (isspace) in place.
void trim_in_place(char* text);

// `items` joined as a sentence lists them, "a, b and c": `last` between the last two, ", "
// between the others; "" for none.
std::string joined_words(const std::vector<std::string>& items, const char* last = " and ");

// `text` with its ASCII capitals made small ("Print Shop Colour" → "print shop colour"), as
// messages name a key or a picture inside a sentence; other bytes as they are.
std::string ascii_lower(std::string_view text);
