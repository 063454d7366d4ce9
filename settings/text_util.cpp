#include "settings/text_util.h"

#include <cstring>

bool read_line(FILE* file, char* buffer, size_t size) {
    size_t length = 0;
    bool read_any = false;
    int c;
    while ((c = getc(file)) != EOF) {
        read_any = true;
        if (c == '\n') break;
        if (length + 1 < size) buffer[length++] = static_cast<char>(c);
    }
    buffer[length] = '\0';
    return read_any;
}

void copy_text(char* destination, size_t size, const char* source) {
    if (source == nullptr) source = "";
    size_t length = strnlen(source, size - 1);
    memcpy(destination, source, length);
    destination[length] = '\0';
}

void strip_line_end(char* text) {
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r')) text[--length] = '\0';
}
