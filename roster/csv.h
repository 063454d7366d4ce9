// Reads the member list record by record and splits each record into its fields. A
// record is one line, or several when a quoted cell holds line breaks, as spreadsheets
// write a two-line address.
#pragma once

#include <cstdio>

constexpr int CSV_FIELD_SIZE = 256;
constexpr int CSV_RECORD_SIZE = 65536;    // a longer record keeps its first 65535 bytes
constexpr int CSV_MAX_RECORD_LINES = 16;  // an unclosed quote never swallows more lines

// Reading state of one open member list.
struct CsvReader {
    FILE* file;        // open regular file, owned by the caller
    const char* path;  // named in warnings
    char separator;    // ',', ';' or '\t'
    int line_number;   // physical lines read so far (the header is line 1)
};

// Splits `line` into at most `max_fields` fields of at most 255 characters each,
// stored in `fields` (room for `max_fields` buffers of CSV_FIELD_SIZE bytes), cut at
// `separator`. A field that opens with a double quote may hold the separator, and two
// quotes in a row stand for one; it keeps every quote that reading stored. Other fields
// lose one pair of enclosing quotes. Every field is trimmed. A trailing separator ends one
// more, empty field; an empty line gives one empty field.
// Returns the number of fields (0 when max_fields <= 0); only that many entries are
// valid afterwards.
int split_csv_line(const char* line, char (*fields)[CSV_FIELD_SIZE], int max_fields, char separator = ',');

// The separator the header line `header` uses: whichever of comma, semicolon and tab
// occurs most often outside double quotes; a comma on a tie or when none occurs.
char detect_separator(const char* header);

// Reads the next record into `record` (CSV_RECORD_SIZE bytes). While a line ends inside
// a quoted field the record goes on with the next line, each line break becoming one
// blank. A quote still open after CSV_MAX_RECORD_LINES lines or at the end of the file
// leaves the first line as the record on its own, with a warning on stderr, and reading
// goes on after it. Returns the record's first line number, or 0 at the end of the file.
int read_csv_record(CsvReader* reader, char* record);
