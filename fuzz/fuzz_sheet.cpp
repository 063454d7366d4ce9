// The spreadsheet reader on whole files (the ZIP container and everything in it): a
// failure or rows within the column limit, rising row numbers, nothing hidden counted twice.
#include <string>

#include "fuzz_support.h"
#include "roster/sheet.h"
#include "sheet_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = write_input(data, size, ".xlsx");
    Sheet sheet;
    if (!read_sheet(path.c_str(), "", &sheet)) check_sheet(sheet);
    return 0;
}
