#include "roster/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(const std::string& line, int max_fields = 11) {
    char fields[12][CSV_FIELD_SIZE];
    int count = split_csv_line(line.c_str(), fields, max_fields);
    return std::vector<std::string>(fields, fields + count);
}

using Fields = std::vector<std::string>;

TEST(SplitCsvLine, Fields) {
    const struct {
        std::string line;
        Fields expected;
    } cases[] = {
        {"", {""}},
        {"a", {"a"}},
        {"a,b,c", {"a", "b", "c"}},
        {"a,b,", {"a", "b"}},
        {"a,,b", {"a", "", "b"}},
        {",", {""}},
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
        {"1,2,3,4,5,6,7,8,9,10,11,12,13", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}},
        {std::string(300, 'z') + ",b", {std::string(255, 'z'), "b"}},
        {"\"" + std::string(300, 'q') + "\",b", {std::string(255, 'q'), "b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.expected) << "line: " << c.line;
}

TEST(SplitCsvLine, FieldLimit) {
    EXPECT_EQ(split("a,b,c", 0), Fields{});
    EXPECT_EQ(split("a,b,c", -1), Fields{});
    EXPECT_EQ(split("a,b,c", 2), (Fields{"a", "b"}));
}

}  // namespace
