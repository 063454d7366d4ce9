// Reads the member list record by record and splits each record into its cells. A
// record is one line, or several when a quoted cell holds line breaks, as spreadsheets
// write a two-line address. Cells and records may be of any length.
#pragma once

#include <string>
#include <string_view>
#include <vector>

constexpr int CSV_MAX_RECORD_LINES = 16;  // an unclosed quote never swallows more lines

// Reading state of one member list held whole in memory.
struct CsvReader {
    std::string_view text;  // the list as UTF-8; not owned, outlives the reader
    const char* path;       // named in warnings
    char separator;         // ',', ';' or '\t'
    size_t offset = 0;      // where the next line starts in `text`
    int line_number = 0;    // physical lines read so far (the header is line 1)
};

// Splits `line` into at most `max_fields` cells, stored in `cells` (resized to the count),
// cut at `separator`. A cell that opens with a double quote may hold the separator, and
// two quotes in a row stand for one; it keeps every quote that reading stored. Other
// cells lose one pair of enclosing quotes. Every cell is trimmed; NUL bytes are dropped.
// A trailing separator ends one more, empty cell; an empty line gives one empty cell.
// Returns the number of cells (0 when max_fields <= 0).
int split_csv_line(std::string_view line, std::vector<std::string>* cells, int max_fields,
                   char separator = ',');

// The separator the header line `header` uses: whichever of comma, semicolon and tab
// occurs most often outside double quotes; a comma on a tie or when none occurs.
char detect_separator(std::string_view header);

// The first line of `text` (up to LF, CRLF or CR), the header whose separator counts.
std::string_view first_line(std::string_view text);

// The lines of `text`, each without its end (LF, CRLF or a lone CR, as an old Mac export
// ends them), as the list's messages number them from 1. Views into `text`.
std::vector<std::string_view> physical_lines(std::string_view text);

// Reads the next record into `record`. While a line ends inside a quoted cell the record
// goes on with the next line, each line break becoming one blank. A quote still open
// after CSV_MAX_RECORD_LINES lines or at the end of the text leaves the first line as the
// record on its own, with a warning on stderr, and reading goes on after it. Returns the
// record's first line number, or 0 at the end of the text.
int read_csv_record(CsvReader* reader, std::string* record);
