#include "roster/number_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every format of the subset, with the text a US Excel shows for the value.
TEST(FormatNumber, ShowsTheCellAsTheSheetDoes) {
    const struct {
        double value;
        std::string code;
        std::string shown;
    } cases[] = {
        {5035550101, "General", "5035550101"},
        {2.5, "General", "2.5"},
        {2134, "00000", "02134"},
        {2134, "0", "2134"},
        {1234567.891, "#,##0", "1,234,568"},
        {1234.5, "#,##0.00", "1,234.50"},
        {12, "#,##0", "12"},
        {0.5, "0.00", "0.50"},
        {0.256, "0%", "26%"},
        {0.256, "0.0%", "25.6%"},
        {5035550101, "(###) ###-####", "(503) 555-0101"},
        {35550101, "(###) ###-####", "(3) 555-0101"},
        {123456789, "000-00-0000", "123-45-6789"},
        {-5, "0;(0)", "(5)"},
        {-5, "0", "-5"},
        {0, "0;-0;\"none\"", "none"},
        {42, "\"No. \"0", "No. 42"},
        {42, "[Red]0", "42"},
        {9.5, "[$$-409]#,##0.00", "$9.50"},
        {42, "@", "42"},
        // Dates and times: 46006 is 15 December 2025, a Monday.
        {46006, "m/d/yyyy", "12/15/2025"},
        {46006, "dd.mm.yyyy", "15.12.2025"},
        {46006, "d-mmm-yy", "15-Dec-25"},
        {46006, "dddd, mmmm d", "Monday, December 15"},
        {46006, "yyyy-mm-dd", "2025-12-15"},
        {46006.75, "h:mm AM/PM", "6:00 PM"},
        {46006.75, "hh:mm", "18:00"},
        {0.5104166667, "h:mm:ss", "12:15:00"},
        {1.5, "[h]:mm", "36:00"},
        {60, "yyyy-mm-dd", "1900-02-29"},
        {59, "yyyy-mm-dd", "1900-02-28"},
        {61, "yyyy-mm-dd", "1900-03-01"},
        // Excel's Phone Number and Zip Code + 4 specials, and the system's Long Date.
        {5551000, "[<=9999999]###-####;(###) ###-####", "555-1000"},
        {4135551000, "[<=9999999]###-####;(###) ###-####", "(413) 555-1000"},
        {970121234, "00000-0000", "97012-1234"},
        {44256, "[$-F800]dddd, mmmm dd, yyyy", "Monday, March 1, 2021"},
        {1234.5, "[<100]0;0", "1235"},
    };
    for (const auto& c : cases) {
        std::string shown;
        EXPECT_TRUE(format_number(c.value, c.code, false, &shown)) << c.code;
        EXPECT_EQ(shown, c.shown) << c.code << " " << c.value;
    }
    std::string shown;
    EXPECT_TRUE(format_number(44544, "yyyy-mm-dd", true, &shown));  // counted from 1904
    EXPECT_EQ(shown, "2025-12-15");
    // Outside the subset, or no section for the value: the value as General shows it.
    for (const char* code : {"0.00E+00", "# ?/?", "[<100]0", "#,##0,"}) {
        EXPECT_FALSE(format_number(1234.5, code, false, &shown)) << code;
        EXPECT_EQ(shown, "1234.5") << code;
    }
    EXPECT_EQ(builtin_number_format(14), "m/d/yyyy");
    EXPECT_EQ(builtin_number_format(200), "");
}

}  // namespace
