#include "roster/csv.h"

#include <cctype>

#include "base/message.h"

namespace {

bool is_blank(char c) { return isspace(static_cast<unsigned char>(c)) != 0; }

// Trims a cell read in plain mode and drops an opening quote together with the last
// quote after it: a blank before a quoted cell leaves its quotes to this step. A cell that
// opened with a quote was read in quoted mode, which already took its quotes away: the
// quotes it kept stand for themselves and only blanks around it are trimmed.
void clean_cell(std::string* cell, bool read_quoted) {
    size_t start = 0;
    while (start < cell->size() && is_blank((*cell)[start])) ++start;
    size_t end = cell->size();
    if (start < end && (*cell)[start] == '"' && !read_quoted) {
        ++start;
        const size_t last_quote = cell->rfind('"');
        if (last_quote >= start) end = last_quote;
    }
    while (end > start && is_blank((*cell)[end - 1])) --end;
    *cell = cell->substr(start, end - start);
}

// Scans one cell starting at `p` into `cell` (when not null); returns where the scan
// stopped: at the separator after the cell, a line end or the end of the text.
// `open_quote` tells whether the text ended inside the cell's quotes.
size_t scan_cell(std::string_view text, size_t p, char separator, std::string* cell, bool* open_quote) {
    auto store = [&](char c) {
        if (cell != nullptr && c != '\0') cell->push_back(c);
    };
    bool quoted = p < text.size() && text[p] == '"';
    if (quoted) ++p;
    while (p < text.size()) {
        const char c = text[p];
        if (quoted) {
            if (c == '"' && p + 1 < text.size() && text[p + 1] == '"') {
                store('"');
                p += 2;
            } else if (c == '"') {
                quoted = false;
                ++p;
            } else {
                store(c);
                ++p;
            }
        } else if (c == separator || c == '\n' || c == '\r') {
            break;
        } else {
            store(c);
            ++p;
        }
    }
    *open_quote = quoted;
    return p;
}

// True when `text` ends inside a quoted cell, in any column.
bool ends_inside_quotes(std::string_view text, char separator) {
    bool open_quote = false;
    size_t p = 0;
    for (;;) {
        p = scan_cell(text, p, separator, nullptr, &open_quote);
        if (open_quote || p >= text.size() || text[p] != separator) return open_quote;
        ++p;
    }
}

// The next physical line of the reader's text, without its line end; false at the end.
bool next_line(CsvReader* reader, std::string_view* line) {
    const std::string_view text = reader->text;
    if (reader->offset >= text.size()) return false;
    const size_t start = reader->offset;
    size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    *line = text.substr(start, end - start);
    reader->offset = end;
    if (end < text.size()) reader->offset += text[end] == '\r' && text.substr(end, 2) == "\r\n" ? 2 : 1;
    return true;
}

}  // namespace

std::vector<std::string_view> physical_lines(std::string_view text) {
    CsvReader reader = {text, "", ','};
    std::vector<std::string_view> lines;
    for (std::string_view line; next_line(&reader, &line);) lines.push_back(line);
    return lines;
}

int split_csv_line(std::string_view line, std::vector<std::string>* cells, int max_fields, char separator) {
    cells->clear();
    if (max_fields <= 0) return 0;
    size_t p = 0;
    bool open_quote;
    for (;;) {
        const bool read_quoted = p < line.size() && line[p] == '"';
        std::string& cell = cells->emplace_back();
        p = scan_cell(line, p, separator, &cell, &open_quote);
        clean_cell(&cell, read_quoted);
        const int count = static_cast<int>(cells->size());
        if (p >= line.size() || line[p] != separator || count >= max_fields) return count;
        ++p;  // a separator begins one more cell, an empty one at the end of the line
    }
}

char detect_separator(std::string_view header) {
    constexpr char CANDIDATES[3] = {',', ';', '\t'};
    int counts[3] = {0, 0, 0};
    bool quoted = false;
    for (const char c : header) {
        if (c == '"') quoted = !quoted;
        for (int i = 0; i < 3 && !quoted; ++i) counts[i] += (c == CANDIDATES[i]);
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

std::string_view first_line(std::string_view text) { return text.substr(0, text.find_first_of("\r\n")); }

int read_csv_record(CsvReader* reader, std::string* record) {
    std::string_view line;
    if (!next_line(reader, &line)) return 0;
    const int first_line_number = ++reader->line_number;
    const size_t after_first_line = reader->offset;
    const size_t first_length = line.size();
    record->assign(line);
    for (int lines = 1; ends_inside_quotes(*record, reader->separator); ++lines) {
        if (lines == CSV_MAX_RECORD_LINES || !next_line(reader, &line)) {
            say("Warning: %s line %d: quote not closed, line read on its own\n", reader->path,
                first_line_number);
            record->resize(first_length);
            reader->offset = after_first_line;
            reader->line_number = first_line_number;
            return first_line_number;
        }
        record->push_back(' ');  // the line break inside the cell
        record->append(line);
        ++reader->line_number;
    }
    return first_line_number;
}
