#include "layout/fit.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_document.h"

namespace {

// Helvetica widths in thousandths: "Hello World" 5167, "Hello Worl" 4611, "Hello W" 3500,
// "Hello " 2556, "W" 944, the ellipsis 1000.
TEST(FitText, FitsShrinksOrCuts) {
    const struct {
        const char* text;
        float wanted, min, width;
        float size;
        bool shrunk, cut;
        std::string fitted;
    } cases[] = {
        {"Hello World", 10, 8, 52, 10, false, false, "Hello World"},     // fits
        {"", 10, 8, 1, 10, false, false, ""},                            // empty text
        {"Hello World", 10, 6, 40, 7.7f, true, false, "Hello World"},    // 7.7 pt is 39.79 wide
        {"Hello World", 10, 8, 41.336f, 8, true, false, "Hello World"},  // the minimum exactly fits
        {"Hello World", 22.25f, 11.125f, 57.49f, 11.125f, true, false, "Hello World"},  // between tenths
        {"Hello World", 10, 8, 36.888f, 8, true, true, "Hello W…"},  // one character too wide
        {"Hello World", 10, 8, 30, 8, true, true, "Hello…"},         // the blank before "…" goes
        {"W", 10, 5, 4, 5, true, true, ""},                          // not even "…" fits
    };
    TestDocument doc(0, false);
    for (const auto& c : cases) {
        std::string fitted;
        TextFit fit = fit_text(doc.pdf.fonts.regular, c.text, c.wanted, c.min, c.width, &fitted);
        const std::string what = std::string(c.text) + " in " + std::to_string(c.width);
        EXPECT_FLOAT_EQ(fit.size, c.size) << what;
        EXPECT_EQ(fit.shrunk, c.shrunk) << what;
        EXPECT_EQ(fit.cut, c.cut) << what;
        EXPECT_EQ(fitted, c.fitted) << what;
        EXPECT_LE(text_width(doc.pdf.fonts.regular, fitted.c_str(), fitted.size(), fit.size), c.width)
            << what;
        EXPECT_EQ(text_fits(doc.pdf.fonts.regular, c.text, c.size, c.width), !c.cut) << what;
    }
}

}  // namespace
