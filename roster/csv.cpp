#include "roster/csv.h"

#include <cctype>
#include <cstring>

#include "base/file.h"
#include "base/message.h"

namespace {

// Trims a field read in plain mode and drops an opening quote together with the last
// quote after it: a blank before a quoted cell leaves its quotes to this step. A cell that
// opened with a quote was read in quoted mode, which already took its quotes away: the
// quotes it kept stand for themselves and only blanks around it are trimmed.
void clean_field(char* field, bool read_quoted) {
    char* start = field;
    while (isspace(static_cast<unsigned char>(*start))) ++start;
    if (*start == '"' && !read_quoted) {
        ++start;
        char* last_quote = strrchr(start, '"');
        if (last_quote != nullptr) *last_quote = '\0';
    }
    size_t length = strlen(start);
    memmove(field, start, length + 1);
    while (length > 0 && isspace(static_cast<unsigned char>(field[length - 1]))) field[--length] = '\0';
}

// Scans one field starting at `p` into `field`; returns where the scan stopped: at the
// separator after the field, a line end or the end of the text. `open_quote` tells
// whether the text ended inside the field's quotes.
const char* scan_field(const char* p, char separator, char* field, bool* open_quote) {
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
        } else if (*p == separator) {
            break;
        } else if (*p == '\n' || *p == '\r') {
            break;
        } else {
            store(*p++);
        }
    }
    field[length] = '\0';
    *open_quote = quoted;
    return p;
}

// True when `text` ends inside a quoted field, in any column, the ignored ones included.
bool ends_inside_quotes(const char* text, char separator) {
    char scratch[CSV_FIELD_SIZE];
    bool open_quote = false;
    const char* p = text;
    for (;;) {
        p = scan_field(p, separator, scratch, &open_quote);
        if (open_quote || *p != separator) return open_quote;
        ++p;
    }
}

}  // namespace

int split_csv_line(const char* line, char (*fields)[CSV_FIELD_SIZE], int max_fields, char separator) {
    if (max_fields <= 0) return 0;
    const char* p = line;
    int count = 0;
    bool open_quote;
    for (;;) {
        const bool read_quoted = *p == '"';
        p = scan_field(p, separator, fields[count], &open_quote);
        clean_field(fields[count], read_quoted);
        ++count;
        if (*p != separator || count >= max_fields) return count;
        ++p;  // a separator begins one more field, an empty one at the end of the line
    }
}

char detect_separator(const char* header) {
    constexpr char CANDIDATES[3] = {',', ';', '\t'};
    int counts[3] = {0, 0, 0};
    bool quoted = false;
    for (const char* p = header; *p != '\0'; ++p) {
        if (*p == '"') quoted = !quoted;
        for (int i = 0; i < 3 && !quoted; ++i) counts[i] += (*p == CANDIDATES[i]);
    }
    int best = 0;
    bool tie = false;
    for (int i = 1; i < 3; ++i) {
        if (counts[i] > counts[best]) {
            best = i;
            tie = false;
        } else if (counts[i] == counts[best]) {
            tie = true;
        }
    }
    return tie ? ',' : CANDIDATES[best];
}

int read_csv_record(CsvReader* reader, char* record) {
    if (!read_line(reader->file, record, CSV_RECORD_SIZE)) return 0;
    const int first_line = ++reader->line_number;
    const long after_first_line = ftell(reader->file);
    const size_t first_length = strlen(record);
    size_t length = first_length;
    for (int lines = 1; ends_inside_quotes(record, reader->separator); ++lines) {
        if (lines == CSV_MAX_RECORD_LINES || length + 2 >= CSV_RECORD_SIZE ||
            !read_line(reader->file, record + length + 1, CSV_RECORD_SIZE - length - 1)) {
            say("Warning: %s line %d: quote not closed, line read on its own\n", reader->path, first_line);
            record[first_length] = '\0';
            fseek(reader->file, after_first_line, SEEK_SET);
            reader->line_number = first_line;
            return first_line;
        }
        record[length] = ' ';  // the line break inside the cell
        length += 1 + strlen(record + length + 1);
        ++reader->line_number;
    }
    return first_line;
}
