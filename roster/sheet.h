// Reads a spreadsheet program's own file, .xlsx (Excel 2007 on, Google Sheets, Numbers'
// Excel export) or .ods (LibreOffice), with libzip and expat: the rows of one sheet as the
// sheet shows them, what it hides left out and counted.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

// One row with a value, its cells by column (A first), as the sheet shows them.
struct SheetRow {
    int number;  // the row's number in the sheet, from 1
    std::vector<std::string> cells;
};

// What a sheet gave.
struct Sheet {
    std::vector<SheetRow> rows;  // the visible rows with at least one value, in order
    int hidden_rows = 0;         // with a value, hidden by hand: not in `rows`
    int filtered_rows = 0;       // with a value, hidden by a filter left on
    bool filter = false;         // the sheet has a filter switched on
    int hidden_columns = 0;      // columns hidden, left out of every row
    // Formats outside the subset number_format reads, once each: "column C: 0.0E+00".
    std::vector<std::string> raw_formats;
};

// Limits on what a file may unpack to: a zip bomb is refused, naming the limit.
constexpr long long MAX_SHEET_PART_BYTES = 512LL << 20;  // one part of the file, unpacked
constexpr long long MAX_PACKING_RATIO = 200;             // unpacked bytes per packed byte
constexpr int MAX_SHEET_ENTRIES = 10000;                 // files inside the file
constexpr size_t MAX_SHEET_CELL_BYTES = 1 << 20;         // one cell's text; the rest is dropped
constexpr size_t MAX_SHARED_STRINGS = 1 << 21;
constexpr int MAX_SHEET_ROWS = 1 << 20;  // Excel's and LibreOffice's last row; none is read past it // texts
                                         // a workbook shares; more are dropped

// The spreadsheet programs' own files a member list may be kept in, in the order they are
// looked for beside a missing members.csv (the first LOOKED_FOR_SPREADSHEETS), then Numbers',
// which is only named in a message.
constexpr const char* SPREADSHEET_EXTENSIONS[] = {".xlsx", ".ods", ".xls", ".numbers"};
constexpr size_t LOOKED_FOR_SPREADSHEETS = 3;

// What a message calls a record of the member list at `path`: "row" in a spreadsheet's own
// file (by its extension), "line" in a CSV.
const char* row_word(std::string_view path);

// True when `head` (a file's first bytes) starts as a ZIP archive or an OLE compound file,
// as every spreadsheet program's own format does.
bool is_spreadsheet_file(std::string_view head);

// Reads the sheet named `sheet_name` ("" for the first) of the spreadsheet at `path` into
// `sheet`. The failure names the file: no such sheet (listing those it has), a
// password-protected workbook, a Numbers or Excel 97-2003 file, a limit a zip bomb meets,
// a damaged or cut-short file.
std::optional<Failure> read_sheet(const char* path, const std::string& sheet_name, Sheet* sheet);
