#include "layout/image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <string>

#include "layout/draw.h"
#include "tests/support/png_writer.h"
#include "tests/support/test_document.h"
#include "tests/support/test_image.h"

namespace {

struct Variant {
    int color_type, bit_depth;
    bool interlaced = false, transparency = false, half_transparent = false, bad_text_crc = false;
};

std::string describe(const Variant& v) {
    return "type " + std::to_string(v.color_type) + ", " + std::to_string(v.bit_depth) + " bit" +
           (v.interlaced ? ", interlaced" : "") + (v.transparency ? ", tRNS" : "") +
           (v.half_transparent ? ", translucent" : "") + (v.bad_text_crc ? ", bad tEXt CRC" : "");
}

constexpr int RGB = PNG_COLOR_TYPE_RGB, RGBA = PNG_COLOR_TYPE_RGB_ALPHA, GRAY = PNG_COLOR_TYPE_GRAY,
              GRAY_ALPHA = PNG_COLOR_TYPE_GRAY_ALPHA, PALETTE = PNG_COLOR_TYPE_PALETTE;

// Every variant is drawn on a standard page as a 12 x 8 picture and must come out with
// the same pixels a correct reader sees, grey staying grey, with a soft mask only when
// some pixel is not fully opaque, and every stream compressed.
TEST(LoadPngImage, EveryVariantPrintsItsPixels) {
    const Variant cases[] = {
        {RGB, 8},
        {RGB, 16},
        {RGB, 8, true},
        {RGB, 16, true},
        {RGB, 8, false, false, false, true},
        {RGBA, 8},
        {RGBA, 16},
        {RGBA, 8, false, false, true},
        {RGBA, 16, false, false, true},
        {RGBA, 8, true, false, true},
        {GRAY, 1},
        {GRAY, 2},
        {GRAY, 4},
        {GRAY, 8},
        {GRAY, 16},
        {GRAY, 4, true},
        {GRAY, 8, false, true},
        {GRAY_ALPHA, 8},
        {GRAY_ALPHA, 8, false, false, true},
        {GRAY_ALPHA, 16, true, false, true},
        {PALETTE, 1},
        {PALETTE, 2},
        {PALETTE, 4},
        {PALETTE, 8},
        {PALETTE, 1, false, true},
        {PALETTE, 2, false, true},
        {PALETTE, 4, false, true},
        {PALETTE, 8, false, true},
        {PALETTE, 1, true, true},
        {PALETTE, 4, true, true},
    };
    for (const Variant& v : cases) {
        const std::string what = describe(v);
        PngShape shape;
        shape.width = 12;
        shape.height = 8;
        shape.color_type = v.color_type;
        shape.bit_depth = v.bit_depth;
        shape.interlaced = v.interlaced;
        shape.transparency = v.transparency;
        shape.half_transparent = v.half_transparent;
        shape.text_chunk = v.bad_text_crc;
        TestDocument doc(1, false);
        const std::string path = doc.dir.file("image.png");
        write_png(path, shape);
        if (v.bad_text_crc) patch_png_chunk(path, "tEXt", 0, true);
        TestImage source(path);
        draw_image_panel(doc.document, doc.pages.data(), 1, 1, LAYOUT_STANDARD, doc.regular_font,
                         &source.image, FULL_IMAGES, "[schedule.png not found]", 612, 792, 28, 36);
        std::vector<PdfPage> pages = doc.finish();
        ASSERT_EQ(pages[0].images.size(), 1u) << what;
        const PdfImage& image = pages[0].images[0];
        EXPECT_EQ(image.width, 12) << what;
        EXPECT_EQ(image.height, 8) << what;
        // A palette image libharu reads correctly keeps its palette, from the file's own bytes.
        const bool indexed = v.color_type == PALETTE && !v.transparency && !v.interlaced;
        EXPECT_EQ(image.color_space, indexed                                 ? "Indexed"
                                     : (v.color_type & PNG_COLOR_MASK_COLOR) ? "DeviceRGB"
                                                                             : "DeviceGray")
            << what;
        EXPECT_EQ(image.bits_per_component, indexed ? v.bit_depth : 8) << what;
        EXPECT_EQ(image.filter, "FlateDecode") << what;
        EXPECT_TRUE(image.pixels == expected_pixels(shape)) << what;
        const std::string alpha = expected_alpha(shape);
        EXPECT_EQ(image.has_soft_mask, !alpha.empty()) << what;
        if (image.has_soft_mask) {
            EXPECT_EQ(image.soft_mask_filter, "FlateDecode") << what;
            EXPECT_TRUE(image.mask_pixels == alpha) << what;
        }
        // 12 x 8 fitted to the 556 x 720 box: full width, hung from the top margin.
        expect_placement(image, 28, 792 - 36 - 556 * 8 / 12.0f, 556, 556 * 8 / 12.0f, what);
    }
}

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

// A picture reduced for the booklet's panel keeps its placement, its flat colours and its
// transparent edge; with Image Compression: JPEG an opaque one is stored as JPEG.
TEST(EmbedImage, ReducedPicturesKeepTheirLook) {
    const struct {
        const char* name;
        int color_type;
        bool jpeg;
        const char* filter;
    } cases[] = {
        {"opaque", RGB, false, "FlateDecode"},
        {"half transparent", RGBA, false, "FlateDecode"},
        {"opaque as JPEG", RGB, true, "DCTDecode"},
        {"half transparent stays lossless", RGBA, true, "FlateDecode"},
    };
    for (const auto& c : cases) {
        TestDocument doc(2, true);
        PngShape shape;
        shape.width = 3000;  // 613 ppi across 352 pt
        shape.height = 1500;
        shape.color_type = c.color_type;
        shape.flat_halves = true;
        const std::string path = doc.dir.file("wide.png");
        write_png(path, shape);
        TestImage source(path);
        draw_image_panel(doc.document, doc.pages.data(), 1, 4, LAYOUT_BOOKLET, doc.regular_font,
                         &source.image, {300, c.jpeg}, "[committee.png not found]", 396, 612, 22, 28);
        std::vector<PdfPage> pages = doc.finish();
        ASSERT_EQ(pages[0].images.size(), 1u) << c.name;
        const PdfImage& image = pages[0].images[0];
        EXPECT_EQ(image.width, 1467) << c.name;
        EXPECT_EQ(image.height, 733) << c.name;
        EXPECT_EQ(image.filter, c.filter) << c.name;
        expect_placement(image, 396 + 22, 408, 352, 176, c.name);
        // The halves, sampled away from the seam at 733.5: no colour bleeds from a transparent half.
        const int tolerance = c.jpeg ? 8 : 1;
        for (auto [x, color] : {std::pair{700, FLAT_LEFT}, {767, FLAT_RIGHT}}) {
            if (x == 700 && c.color_type == RGBA) continue;  // transparent: no colour to keep
            for (int channel = 0; channel < 3; ++channel) {
                const int value = static_cast<unsigned char>(image.pixels[(300 * 1467 + x) * 3 + channel]);
                EXPECT_NEAR(value, color[channel], tolerance)
                    << c.name << " x " << x << " channel " << channel;
            }
        }
        EXPECT_EQ(image.has_soft_mask, c.color_type == RGBA) << c.name;
        if (image.has_soft_mask) {
            EXPECT_EQ(static_cast<unsigned char>(image.mask_pixels[300 * 1467 + 700]), 0) << c.name;
            EXPECT_EQ(static_cast<unsigned char>(image.mask_pixels[300 * 1467 + 767]), 255) << c.name;
        }
    }
}

}  // namespace
