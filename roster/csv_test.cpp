#include "roster/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& line, int max_fields = 11, char separator = ',') {
    std::vector<std::string> cells = {"left over"};
    const int count = split_csv_line(line, &cells, max_fields, separator);
    EXPECT_EQ(static_cast<size_t>(count), cells.size()) << line;
    return cells;
}

using Fields = std::vector<std::string>;

TEST(SplitCsvLine, Fields) {
    const struct {
        std::string line;
        Fields expected;
        char separator = ',';
    } cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a,b,c", {"a", "b", "c"}},
        {"a,b,", {"a", "b", ""}},  // a spreadsheet's empty last cell
        {"a,,b", {"a", "", "b"}},
        {",", {"", ""}},
        {" a , b ", {"a", "b"}},
        {"a,b\r", {"a", "b"}},
        {"a,b\nc", {"a", "b"}},
        {"\"Smith, Jr.\",Ann", {"Smith, Jr.", "Ann"}},
        {"x,\"say \"\"hi\"\"\",y", {"x", "say \"hi\"", "y"}},
        {"x, \"Smith, Jr.\",y", {"x", "Smith", "Jr.\"", "y"}},
        {"x, \"quoted\" ,y", {"x", "quoted", "y"}},
        {"\"open quote,never closed", {"open quote,never closed"}},
        {"\"a\"b,c", {"ab", "c"}},
        {"plain\"quote,c", {"plain\"quote", "c"}},
        {"\"\",b", {"", "b"}},
        // A quoted cell keeps the quotes it holds, wherever they are.
        {"\"\"\"Rose Cottage\"\", Mill Lane\",x", {"\"Rose Cottage\", Mill Lane", "x"}},
        {"\"\"\"Sparky\"\" Bob\"", {"\"Sparky\" Bob"}},
        {"\" \"\"a\"\" \" ", {"\"a\""}},
        {"1,2,3,4,5,6,7,8,9,10,11,12,13", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}},
        // Cells of any length, whole; a NUL byte is dropped.
        {std::string(3000, 'z') + ",b", {std::string(3000, 'z'), "b"}},
        {"\"" + std::string(300, 'q') + "\",b", {std::string(300, 'q'), "b"}},
        {std::string("Mem\0ber,x", 10), {"Member", "x"}},
        // Other separators: the comma becomes an ordinary character.
        {"a;\"b;c\";d,e;", {"a", "b;c", "d,e", ""}, ';'},
        {"a\t\tb, c\t\"x\ty\"", {"a", "", "b, c", "x\ty"}, '\t'},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line, 11, c.separator), c.expected) << "line: " << c.line;
}

TEST(DetectSeparator, MostFrequentOutsideQuotes) {
    const struct {
        const char* header;
        char separator;
    } cases[] = {
        {"role,first,last", ','},
        {"role;first;last", ';'},
        {"role\tfirst\tlast", '\t'},
        {"a;b,c", ','},
        {"\"a,b,c\";d;e", ';'},
        {"\"x;y\"\tz,w\tv", '\t'},
        {"", ','},
        {"one column", ','},
        {"a,b;c\td", ','},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(detect_separator(c.header), c.separator) << c.header;
        EXPECT_EQ(detect_separator(first_line(std::string(c.header) + "\r\nx;y;z;w")), c.separator)
            << c.header;
    }
}

// Every record of a file as "first line:text", and what the reader wrote on stderr.
struct ReadBack {
    std::vector<std::string> records;
    std::string err;
};

ReadBack read_all(const std::string& contents, char separator = ',') {
    CsvReader reader = {contents, "list.csv", separator};
    std::string record;
    ReadBack result;
    testing::internal::CaptureStderr();
    while (int line = read_csv_record(&reader, &record)) {
        result.records.push_back(std::to_string(line) + ":" + record);
    }
    result.err = testing::internal::GetCapturedStderr();
    return result;
}

TEST(ReadCsvRecord, LineEndsAndQuotedLineBreaks) {
    // A quote that closes on line 16 joins 16 lines; one that closes on line 17 is
    // not closed in time: the first line alone, then every line after it.
    std::string closes_on_16 = "x,\"open", closes_on_17 = "x,\"open\n", joined = "1:x,\"open";
    Fields read_alone = {"1:x,\"open"};
    for (int line = 2; line <= 17; ++line) {
        const std::string text = "l" + std::to_string(line) + (line >= 16 ? "\"" : "");
        if (line <= 16) closes_on_16 += "\n" + text, joined += " " + text;
        closes_on_17 += (line == 16 ? "l16" : text) + "\n";
        read_alone.push_back(std::to_string(line) + ":" + (line == 16 ? "l16" : text));
    }
    const std::string NOT_CLOSED = "Warning: list.csv line 1: quote not closed, line read on its own\n";
    const struct {
        std::string file;
        Fields records;
        std::string err;
    } cases[] = {
        {"a\nb\r\nc\rd", {"1:a", "2:b", "3:c", "4:d"}, ""},
        {"a\r\rb\n\n", {"1:a", "2:", "3:b", "4:"}, ""},
        {"h\nM,\"12 Oak St\r\nApt 4\",x\nnext", {"1:h", "2:M,\"12 Oak St Apt 4\",x", "4:next"}, ""},
        {"\"a\n\nb\n\"\nz", {"1:\"a  b \"", "5:z"}, ""},
        {"q,\"say \"\"hi\"\"\nthere\"", {"1:q,\"say \"\"hi\"\" there\""}, ""},
        {"a,b\"c\nd", {"1:a,b\"c", "2:d"}, ""},  // a quote inside a plain field opens nothing
        {"1,2,3,4,5,6,7,8,9,10,11,\"twelfth\nline\"", {"1:1,2,3,4,5,6,7,8,9,10,11,\"twelfth line\""}, ""},
        {"\"open,a\n", {"1:\"open,a"}, NOT_CLOSED},
        {closes_on_16, {joined}, ""},
        {closes_on_17, read_alone, NOT_CLOSED},
        {std::string(70000, 'x') + "\nnext", {"1:" + std::string(70000, 'x'), "2:next"}, ""},
    };
    for (const auto& c : cases) {
        ReadBack read = read_all(c.file);
        EXPECT_EQ(read.records, c.records) << c.file.substr(0, 60);
        EXPECT_EQ(read.err, c.err) << c.file.substr(0, 60);
    }
    EXPECT_EQ(read_all("a;\"b\nc\";d\n", ';').records, Fields{"1:a;\"b c\";d"});
    // The lines a message's number points at, cut the same way (the web page shows them).
    EXPECT_EQ(physical_lines("a\nb\r\nc\rd"), (std::vector<std::string_view>{"a", "b", "c", "d"}));
    EXPECT_EQ(physical_lines("a\r\rb\n\n"), (std::vector<std::string_view>{"a", "", "b", ""}));
}

TEST(SplitCsvLine, FieldLimit) {
    EXPECT_EQ(split("a,b,c", 0), Fields{});
    EXPECT_EQ(split("a,b,c", -1), Fields{});
    EXPECT_EQ(split("a,b,c", 2), (Fields{"a", "b"}));
}

}  // namespace
