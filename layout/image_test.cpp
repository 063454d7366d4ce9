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

}  // namespace
