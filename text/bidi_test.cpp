#include "text/bidi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Which way a line reads, its runs as displayed ("R:" right to left, "L:" left to right) and
// the comma its index lines take.
TEST(Bidi, LinesReadAsWritten) {
    const struct {
        std::string text;
        bool from_the_right;
        const char* runs;
        const char* comma;
    } cases[] = {
        {"Smith", false, "L:Smith ", ","},
        {"דירה 4 (קומה 2)", true, "R:) L:2 R: (קומה  L:4 R:דירה  ", ","},
        {"Daniel ברק", false, "L:Daniel  R:ברק ", ","},
        {"12 خان", true, "R: خان L:12 ", "\xD8\x8C"},  // the first letter decides, not the number
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reads_right_to_left(c.text), c.from_the_right) << c.text;
        std::string runs;
        for (const BidiRun& run : visual_runs(c.text))
            runs += (run.right_to_left ? "R:" : "L:") + c.text.substr(run.start, run.length) + " ";
        EXPECT_EQ(runs, c.runs) << c.text;
        EXPECT_STREQ(list_comma(c.text), c.comma) << c.text;
    }
}

}  // namespace
