// Splits one line of the member list into its comma-separated fields.
#pragma once

constexpr int CSV_FIELD_SIZE = 256;

// Splits `line` into at most `max_fields` fields of at most 255 characters each,
// stored in `fields` (room for `max_fields` buffers of CSV_FIELD_SIZE bytes). A field
// that opens with a double quote may hold commas, and two quotes in a row stand for
// one; each field is trimmed and loses one pair of enclosing quotes. A trailing comma
// adds no field, an empty line gives one empty field. Returns the number of fields
// (0 when max_fields <= 0); only that many entries are valid afterwards.
int split_csv_line(const char* line, char (*fields)[CSV_FIELD_SIZE], int max_fields);
