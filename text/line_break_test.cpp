#include "text/line_break.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Where a text too long for its place may be cut, shown as "|": between letters with their
// marks, never inside a number; and where a line may break.
TEST(LineBreak, CutsKeepLettersAndNumbersWhole) {
    const struct {
        std::string text;
        const char* cuts;
        const char* breaks;
    } cases[] = {
        {"Ann 2015", "A|n|n| |2015", "Ann |2015"},
        {"शिवाजी", "शि|वा|जी", "शिवाजी"},
        {"Jose\xCC\x81 12.5-7", "J|o|s|e\xCC\x81| |12.5-7", "Jose\xCC\x81 |12.5-7"},
        {"555-0100, x", "555-0100|,| |x", "555-0100, |x"},
        {"王小华", "王|小|华", "王|小|华"},
    };
    for (const auto& c : cases) {
        const auto marked = [&](const std::vector<size_t>& points) {
            std::string shown;
            size_t from = 0;
            for (size_t at : points) {
                shown += c.text.substr(from, at - from) + "|";
                from = at;
            }
            return shown + c.text.substr(from);
        };
        EXPECT_EQ(marked(cut_points(c.text)), c.cuts) << c.text;
        EXPECT_EQ(marked(line_breaks(c.text)), c.breaks) << c.text;
    }
}

}  // namespace
