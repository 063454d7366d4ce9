// The member list's record reader and splitter: line numbers rising, every record's cells
// within the column limit, free of NUL bytes and trimmed at their end, and nothing read twice.
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "roster/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CsvReader reader = {text, "fuzz.csv", detect_separator(first_line(text))};
    std::string record;
    std::vector<std::string> cells;
    int previous = 0;
    while (int line = read_csv_record(&reader, &record)) {
        promise(line > previous && line <= reader.line_number, "line numbers rise");
        promise(reader.offset <= text.size(), "reading stays inside the text");
        previous = line;
        const int count = split_csv_line(record, &cells, 11, reader.separator);
        promise(count >= 1 && count <= 11 && static_cast<size_t>(count) == cells.size(),
                "cell count in 1..11");
        for (const std::string& cell : cells) {
            promise(cell.find('\0') == std::string::npos, "no NUL in a cell");
            promise(cell.empty() || cell.back() != ' ', "cells trimmed at their end");
        }
    }
    return 0;
}
