#include "text/line_break.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Where a text too long for its place may be cut, shown as "|": between letters with their
// marks, never inside a number.
TEST(LineBreak, CutsKeepLettersAndNumbersWhole) {
    const struct {
        std::string text;
        const char* cuts;
    } cases[] = {
        {"Ann 2015", "A|n|n| |2015"},
        {"शिवाजी", "शि|वा|जी"},
        {"Jose\xCC\x81 12.5-7", "J|o|s|e\xCC\x81| |12.5-7"},
        {"555-0100, x", "555-0100|,| |x"},
    };
    for (const auto& c : cases) {
        std::string shown;
        size_t from = 0;
        for (size_t at : cut_points(c.text)) shown += c.text.substr(from, at - from) + "|", from = at;
        EXPECT_EQ(shown + c.text.substr(from), c.cuts) << c.text;
    }
}

}  // namespace
