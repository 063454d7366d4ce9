#include "image/resample.h"

#include <gtest/gtest.h>
#include <stb_image_resize.h>

#include <cmath>
#include <cstring>
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

// stb_image_resize's default filter over every source pixel in linear light: the reference
// the area average is held to. At the crop's own size, its pixels as they are.
Samples filtered(const Samples& picture, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                 PixelSize size) {
    Samples out;
    out.width = size.width, out.height = size.height, out.channels = picture.channels;
    out.data.reset(new unsigned char[size_t{size.width} * size.height * picture.channels]);
    const unsigned char* corner = &picture.data[(size_t{y} * picture.width + x) * picture.channels];
    if (size == PixelSize{width, height}) {
        for (uint32_t row = 0; row < height; ++row) {
            memcpy(&out.data[size_t{row} * width * picture.channels],
                   corner + size_t{row} * picture.width * picture.channels, width * picture.channels);
        }
        return out;
    }
    stbir_resize_uint8_generic(corner, width, height, picture.width * picture.channels, out.data.get(),
                               size.width, size.height, 0, picture.channels, STBIR_ALPHA_CHANNEL_NONE, 0,
                               STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_SRGB, nullptr);
    return out;
}

// Every size of a picture is made in one pass over its rows, of the part a crop keeps: each
// within 28 dB (text) or 40 dB (a photo) of the reference filter, the crop's own size the
// source pixels exactly, and a size a pixel larger than the crop (rounding) still whole.
TEST(AreaReducer, EverySizeInOnePassCloseToTheReferenceFilter) {
    const struct {
        CropBox crop;
        uint32_t x, y, width, height;  // the crop in source pixels
    } crops[] = {{WHOLE_PICTURE, 0, 0, 720, 480}, {{0.25f, 0.0f, 0.5f, 1.0f}, 180, 0, 360, 480}};
    for (bool text : {true, false}) {
        const Samples picture = test_picture(text);
        for (const auto& c : crops) {
            const PixelSize sizes[] = {
                {c.width / 7, c.height / 7}, {c.width * 2 / 5, c.height * 2 / 5}, {c.width, c.height}};
            AreaReducer reducer;
            plan_reduction(&reducer, sizes, c.crop);
            ASSERT_TRUE(start_reduction(&reducer, 720, 480, 3));
            for (uint32_t y = 0; y < 480; ++y) add_row(&reducer, &picture.data[y * 720 * 3]);
            for (int i = 0; i < 3; ++i) {
                const Samples& made = reducer.targets[i].out;
                const std::string what = std::string(text ? "text" : "photo") + " from " +
                                         std::to_string(c.x) + " to " + std::to_string(sizes[i].width);
                ASSERT_EQ(made.width, sizes[i].width) << what;
                const Samples reference = filtered(picture, c.x, c.y, c.width, c.height, sizes[i]);
                EXPECT_GE(psnr(reference, made), i == 2 ? 99.0 : text ? 28.0 : 40.0) << what;
            }
        }
    }
    AreaReducer wider;  // one source pixel spread over two: no row or column left unmade
    const PixelSize size = {721, 481};
    plan_reduction(&wider, {&size, 1}, WHOLE_PICTURE);
    const Samples picture = test_picture(false);
    ASSERT_TRUE(start_reduction(&wider, 720, 480, 3));
    for (uint32_t y = 0; y < 480; ++y) add_row(&wider, &picture.data[y * 720 * 3]);
    EXPECT_EQ(wider.targets[0].next_row, 481u);
    EXPECT_EQ(wider.targets[0].out.data[(481 * 721 - 1) * 3], picture.data[(480 * 720 - 1) * 3]);
}

}  // namespace
