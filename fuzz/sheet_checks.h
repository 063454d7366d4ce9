// What the spreadsheet reader promises of a sheet it read, checked by both sheet targets.
#pragma once

#include <string>

#include "fuzz_support.h"
#include "roster/columns.h"
#include "roster/sheet.h"

// Checks what read_sheet promises of `sheet`.
inline void check_sheet(const Sheet& sheet) {
    int previous = 0;
    for (const SheetRow& row : sheet.rows) {
        promise(row.number > previous, "row numbers rise");
        previous = row.number;
        promise(row.cells.size() <= static_cast<size_t>(MAX_LIST_COLUMNS), "cells within the column limit");
        promise(row.state == ROW_SHOWN || row.state == ROW_HIDDEN || row.state == ROW_FILTERED, "row state");
        for (const std::string& cell : row.cells)
            promise(cell.size() <= MAX_SHEET_CELL_BYTES + 4, "cell size");
    }
    promise(sheet.hidden_columns >= 0, "counts");
    for (int column : sheet.filter_columns)
        promise(column >= 0 && column < MAX_LIST_COLUMNS, "filter column");
    for (const UnsavedFormula& formula : sheet.unsaved_formulas)
        promise(formula.column >= 0 && formula.column < MAX_LIST_COLUMNS && !formula.cell.empty(),
                "formula cell");
    for (const MergedDown& merged : sheet.merged_down)
        promise(merged.first_row < merged.last_row && merged.column >= 0 && merged.column < MAX_LIST_COLUMNS,
                "a merge down over rows");
    bool named = sheet.rows.empty();
    for (const SheetTab& tab : sheet.tabs) named = named || tab.name == sheet.name;
    promise(named, "the sheet read is one of its tabs");
}
