// Reads a spreadsheet program's own file, .xlsx (Excel 2007 on, Google Sheets, Numbers'
// Excel export) or .ods (LibreOffice), with libzip and expat: the rows of one sheet as the
// sheet shows them, what it hides left out and counted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

// Whether a row with a value shows: hidden by hand, or by a filter left on, it does not.
enum RowState : int32_t { ROW_SHOWN = 0, ROW_HIDDEN = 1, ROW_FILTERED = 2 };

// One row with a value, its cells by column (A first, hidden columns left out).
struct SheetRow {
    int number;  // the row's number in the sheet, from 1
    std::vector<std::string> cells;
    RowState state = ROW_SHOWN;
};

// A formula cell saved without the value it computes (scripts and some exporters write them
// so): it reads as empty.
struct UnsavedFormula {
    int column;        // among its row's cells
    int row;           // the row's number in the sheet, from 1
    std::string cell;  // as the sheet names it, "B7"
};

// Cells merged down over several rows (a couple's shared address): the value, written once
// in the first row, was given to the rows below it.
struct MergedDown {
    int first_row, last_row;  // the rows' numbers in the sheet, from 1
    int column;               // among a row's cells
};

// One sheet of the workbook, as its tabs list it.
struct SheetTab {
    std::string name;
    bool hidden;  // hidden or very hidden: never read unless named
};

// What a sheet gave.
struct Sheet {
    std::vector<SheetRow> rows;  // every row with a value, shown or not, in order
    // The columns a filter left on tests (among the rows' cells; a hidden one is left out).
    std::vector<int> filter_columns;
    int hidden_columns = 0;  // columns hidden, left out of every row
    // Formats outside the subset number_format reads, once each: "column C: 0.0E+00".
    std::vector<std::string> raw_formats;
    std::vector<UnsavedFormula> unsaved_formulas;
    std::vector<MergedDown> merged_down;  // each merge over rows whose value the rows below took
    std::string name;                     // the sheet read
    std::vector<SheetTab> tabs;           // every sheet of the file, in order, the one read among them
};

// Limits on what a file may unpack to: a zip bomb is refused, naming the limit.
constexpr long long MAX_SHEET_PART_BYTES = 512LL << 20;  // one part of the file, unpacked
constexpr long long MAX_PACKING_RATIO = 200;             // unpacked bytes per packed byte
constexpr int MAX_SHEET_ENTRIES = 10000;                 // files inside the file
constexpr size_t MAX_SHEET_CELL_BYTES = 1 << 20;         // one cell's text; the rest is dropped
constexpr size_t MAX_SHARED_STRINGS = 1 << 21;           // texts a workbook shares; more are dropped
constexpr int MAX_SHEET_ROWS = 1 << 20;  // Excel's and LibreOffice's last row; none is read past it

// The spreadsheet programs' own files a member list may be kept in, in the order they are
// looked for beside a missing members.csv (the first LOOKED_FOR_SPREADSHEETS), then Numbers',
// which is only named in a message.
constexpr const char* SPREADSHEET_EXTENSIONS[] = {".xlsx", ".ods", ".xls", ".numbers"};
constexpr size_t LOOKED_FOR_SPREADSHEETS = 3;
// What a Numbers file is told, which rosterbook cannot read.
constexpr const char* NUMBERS_FILE = "a Numbers file: export it from Numbers as Excel or CSV UTF-8";

// True when `path` ends in `extension` (".xlsx"), letter case ignored.
bool has_extension(std::string_view path, std::string_view extension);

// True when `path` ends in one of SPREADSHEET_EXTENSIONS, letter case ignored.
bool named_as_spreadsheet(std::string_view path);

// What a message calls a record of the member list at `path`: "row" in a spreadsheet's own
// file (by its extension), "line" in a CSV.
const char* row_word(std::string_view path);

// The names of `tabs` as messages list them, "'Old' (hidden), 'Members'": all but the one
// named `except`, the hidden ones only with `hidden_too`; "" when none is left.
std::string tabs_listed(const std::vector<SheetTab>& tabs, const std::string& except, bool hidden_too);

// True when `head` (a file's first bytes) starts as a ZIP archive or an OLE compound file,
// as every spreadsheet program's own format does.
bool is_spreadsheet_file(std::string_view head);

// The failure for a file named as a spreadsheet (.xlsx, .xls, .ods, .numbers) whose first
// bytes `head` are none of theirs, saying what it looks like (a web page, an XML or text
// file, zeros); nothing when the name is not a spreadsheet's or the bytes are.
[[nodiscard]] std::optional<Failure> not_a_spreadsheet(const char* path, std::string_view head);

// Reads the sheet named `sheet_name` ("" for the first visible one) of the spreadsheet at
// `path` into `sheet`. The failure names the file: no such sheet (listing those it has), a
// password-protected workbook, a Numbers or Excel 97-2003 file, a limit a zip bomb meets,
// a damaged or cut-short file.
[[nodiscard]] std::optional<Failure> read_sheet(const char* path, const std::string& sheet_name,
                                                Sheet* sheet);
