// A spreadsheet number as its cell shows it: Excel's number format codes, a stated subset
// (the built-in formats, digit patterns such as 0, 00000, #,##0, 0.00, 0%, (###) ###-####,
// text @, and dates and times written with d m y h s codes). No Debian library formats them.
#pragma once

#include <string>
#include <string_view>

// The code of Excel's built-in number format `id` (0 General, 14 a date, 49 text and so
// on, as a US Excel shows them); "" for an id that has none.
std::string_view builtin_number_format(int id);

// `value` as the format `code` shows it, with dates counted from 1904 when `date1904` (old
// Mac workbooks), else from Excel's 1900. Returns false, with `*shown` the value as General
// shows it, when the code is outside the subset (fractions, scientific notation,
// conditions).
bool format_number(double value, std::string_view code, bool date1904, std::string* shown);
