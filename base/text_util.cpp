#include "base/text_util.h"

#include <cctype>
#include <cstring>

size_t utf8_prefix_length(const char* text, size_t length, size_t limit) {
    if (length <= limit) return length;
    // A cut before a continuation byte (10xxxxxx) would leave half a character.
    while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) --limit;
    return limit;
}

void copy_text(char* destination, size_t size, const char* source) {
    if (source == nullptr) source = "";
    size_t length = utf8_prefix_length(source, strnlen(source, size), size - 1);
    memcpy(destination, source, length);
    destination[length] = '\0';
}

void strip_quotes(char* text) {
    size_t length = strlen(text);
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        memmove(text, text + 1, length - 2);
        text[length - 2] = '\0';
    }
}

void trim_in_place(char* text) {
    size_t start = 0;
    while (isspace(static_cast<unsigned char>(text[start]))) ++start;
    size_t length = strlen(text + start);
    while (length > 0 && isspace(static_cast<unsigned char>(text[start + length - 1]))) --length;
    memmove(text, text + start, length);
    text[length] = '\0';
}

std::string joined_words(const std::vector<std::string>& items, const char* last) {
    std::string joined;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += i + 1 == items.size() ? last : ", ";
        joined += items[i];
    }
    return joined;
}

std::string ascii_lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}
