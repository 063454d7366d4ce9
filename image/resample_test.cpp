#include "image/resample.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The booklet's panel draws a wide picture 352 pt (4.89 in) across, the standard
// document's 556 pt (7.72 in): at 300 ppi they are reduced above 2200 and 3475 pixels.
TEST(EmbeddedSize, ReducesOnlyAboveOneAndAHalfTimesTheResolution) {
    const struct {
        uint32_t width, height;
        float drawn_width, drawn_height;
        int32_t resolution;
        uint32_t expected_width, expected_height;
    } cases[] = {
        {2200, 1100, 352, 176, 300, 2200, 1100},  // 450 ppi: as it comes
        {2201, 1100, 352, 176, 300, 1467, 733},   // 4.889 in x 300 = 1466.7, 2.444 in x 300 = 733.3
        {3475, 1000, 556, 160, 300, 3475, 1000}, {3476, 1000, 556, 160, 300, 2317, 667},
        {4000, 3000, 396, 297, 300, 1650, 1238},  // a phone photo on the booklet cover: 1237.5 rounds up
        {4000, 3000, 396, 297, 0, 4000, 3000},    // Full
        {1000, 1000, 352, 352, 150, 1000, 1000},  // 204.5 ppi: below 1.5 x 150
        {1200, 1200, 352, 352, 150, 733, 733},    // 245.5 ppi: above it
        {100000, 1, 36, 0.00036f, 300, 150, 1},   // never below one pixel
    };
    for (const auto& c : cases) {
        PixelSize size = embedded_size(c.width, c.height, c.drawn_width, c.drawn_height, c.resolution);
        const std::string what = std::to_string(c.width) + " px in " + std::to_string(c.drawn_width) +
                                 " pt at " + std::to_string(c.resolution);
        EXPECT_EQ(size.width, c.expected_width) << what;
        EXPECT_EQ(size.height, c.expected_height) << what;
    }
}

}  // namespace
