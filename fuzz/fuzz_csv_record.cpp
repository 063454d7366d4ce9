// The member list's record reader and splitter: every record and field terminated and
// within its size, line numbers rising, field counts within the limit.
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/file.h"
#include "fuzz_support.h"
#include "roster/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (file == nullptr) return 0;
    static char record[CSV_RECORD_SIZE];
    char fields[12][CSV_FIELD_SIZE];
    read_line(file, record, sizeof record);
    CsvReader reader = {file, "fuzz.csv", detect_separator(record), 0};
    rewind(file);
    int previous = 0;
    while (int line = read_csv_record(&reader, record)) {
        promise(line > previous && line <= reader.line_number, "line numbers rise");
        promise(terminated(record, sizeof record), "record terminated");
        previous = line;
        const int count = split_csv_line(record, fields, 11, reader.separator);
        promise(count >= 1 && count <= 11, "field count in 1..11");
        for (int i = 0; i < count; ++i) promise(strlen(fields[i]) < CSV_FIELD_SIZE, "field within its size");
    }
    fclose(file);
    return 0;
}
