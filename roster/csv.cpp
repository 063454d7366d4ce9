#include "roster/csv.h"

#include <cctype>
#include <cstring>

namespace {

bool ends_line(char c) { return c == '\0' || c == '\n' || c == '\r'; }

// Trims the field and drops an opening quote together with the last quote after it:
// a blank before a quoted field leaves its quotes to this step.
void clean_field(char* field) {
    char* start = field;
    while (isspace(static_cast<unsigned char>(*start))) ++start;
    if (*start == '"') {
        ++start;
        char* last_quote = strrchr(start, '"');
        if (last_quote != nullptr) *last_quote = '\0';
    }
    size_t length = strlen(start);
    memmove(field, start, length + 1);
    while (length > 0 && isspace(static_cast<unsigned char>(field[length - 1]))) field[--length] = '\0';
}

// Scans one field starting at `p` into `field`; returns where the scan stopped.
const char* scan_field(const char* p, char* field) {
    size_t length = 0;
    auto store = [&](char c) {
        if (length < CSV_FIELD_SIZE - 1) field[length++] = c;
    };
    bool quoted = (*p == '"');
    if (quoted) ++p;
    while (*p != '\0') {
        if (quoted) {
            if (*p == '"' && p[1] == '"') {
                store('"');
                p += 2;
            } else if (*p == '"') {
                quoted = false;
                ++p;
            } else {
                store(*p++);
            }
        } else if (*p == ',') {
            ++p;
            break;
        } else if (*p == '\n' || *p == '\r') {
            break;
        } else {
            store(*p++);
        }
    }
    field[length] = '\0';
    return p;
}

}  // namespace

int split_csv_line(const char* line, char (*fields)[CSV_FIELD_SIZE], int max_fields) {
    if (max_fields <= 0) return 0;
    const char* p = line;
    int count = 0;
    for (;;) {
        p = scan_field(p, fields[count]);
        clean_field(fields[count]);
        ++count;
        if (ends_line(*p) || count >= max_fields) return count;
    }
}
