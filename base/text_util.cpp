#include "base/text_util.h"

#include <cctype>
#include <cstring>

void copy_text(char* destination, size_t size, const char* source) {
    if (source == nullptr) source = "";
    size_t length = strnlen(source, size - 1);
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
