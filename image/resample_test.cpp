#include "image/resample.h"

#include <gtest/gtest.h>

#include <cmath>
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

namespace {

double psnr(const Samples& a, const Samples& b) {
    double squares = 0.0;
    const size_t count = size_t{a.width} * a.height * a.channels;
    for (size_t i = 0; i < count; ++i) {
        const double difference = static_cast<double>(a.data[i]) - b.data[i];
        squares += difference * difference;
    }
    return squares == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * count / squares);
}

// A picture of text (thin black strokes on white) and a photo-like one (smooth colour
// with a little grain), 720 x 480 pixels.
Samples test_picture(bool text) {
    Samples picture;
    picture.width = 720, picture.height = 480, picture.channels = 3;
    picture.data.reset(new unsigned char[720 * 480 * 3]);
    for (uint32_t y = 0; y < 480; ++y) {
        for (uint32_t x = 0; x < 720; ++x) {
            unsigned char* pixel = &picture.data[(y * 720 + x) * 3];
            const bool stroke = (y % 24 < 14) && ((x * 7 + y / 24 * 13) % 11 < 2 || y % 24 == 6);
            const unsigned grain = (x * 2654435761u ^ y * 40503u) >> 28;
            for (int c = 0; c < 3; ++c) {
                const double smooth = 128 + 90 * std::sin(x / (40.0 + 9 * c)) * std::cos(y / 55.0);
                pixel[c] = text ? (stroke ? 0 : 255) : static_cast<unsigned char>(smooth + grain);
            }
        }
    }
    return picture;
}

// Shrinking by whole blocks while decoding, then filtering the rest of the way, comes
// within 40 dB of filtering every source pixel.
TEST(Resample, BlockShrinkKeepsTheFiltersQuality) {
    for (bool text : {true, false}) {
        const Samples picture = test_picture(text);
        for (PixelSize target : {PixelSize{100, 67}, PixelSize{80, 53}, PixelSize{60, 40}}) {
            BoxReducer reducer;
            const PixelSize least = {static_cast<uint32_t>(target.width * FILTER_HEADROOM),
                                     static_cast<uint32_t>(target.height * FILTER_HEADROOM)};
            ASSERT_TRUE(start_reduction(&reducer, 720, 480, 3, least));
            for (uint32_t y = 0; y < 480; ++y) add_row(&reducer, &picture.data[y * 720 * 3]);
            const std::string what =
                std::string(text ? "text" : "photo") + " to " + std::to_string(target.width);
            EXPECT_LT(reducer.out.width, 720u) << what << ": shrunk while decoding";
            const double quality = psnr(resample(picture, target), resample(reducer.out, target));
            EXPECT_GE(quality, 40.0) << what;
        }
    }
}

}  // namespace
