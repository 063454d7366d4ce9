#include "layout/image_page.h"

#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <string>

#include "layout/draw.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/png_writer.h"
#include "tests/support/run_tool.h"
#include "tests/support/test_document.h"
#include "tests/support/test_image.h"

namespace {

constexpr float TOLERANCE = 1e-3f;

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
        draw_image_panel(&doc.pdf, doc.target(1, 1, LAYOUT_STANDARD), doc.pdf.fonts.regular, &source.image,
                         FULL_IMAGES, "[schedule.png not found]", STANDARD_GEOMETRY);
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
        // Translucent pixels are laid onto white: no soft mask, which some printers ignore.
        std::string pixels = expected_pixels(shape);
        const std::string alpha = expected_alpha(shape);
        const size_t colors = alpha.empty() ? 1 : pixels.size() / alpha.size();
        for (size_t i = 0; i < alpha.size(); ++i) {
            const unsigned a = static_cast<unsigned char>(alpha[i]);
            for (size_t c = 0; c < colors; ++c) {
                const unsigned v = static_cast<unsigned char>(pixels[i * colors + c]);
                pixels[i * colors + c] = static_cast<char>((v * a + 255 * (255 - a) + 127) / 255);
            }
        }
        EXPECT_TRUE(image.pixels == pixels) << what;
        EXPECT_FALSE(image.has_soft_mask) << what;
        // 12 x 8 fitted to the 556 x 720 box: full width, hung from the top margin.
        expect_placement(image, 28, 792 - 36 - 556 * 8 / 12.0f, 556, 556 * 8 / 12.0f, what);
    }
}

// A picture reduced for the booklet's panel keeps its placement and its flat colours, its
// transparent half white paper; with Image Compression: JPEG an opaque one is stored as JPEG.
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
        draw_image_panel(&doc.pdf, doc.target(1, 4, LAYOUT_BOOKLET), doc.pdf.fonts.regular, &source.image,
                         {300, c.jpeg}, "[committee.png not found]", BOOKLET_GEOMETRY);
        std::vector<PdfPage> pages = doc.finish();
        ASSERT_EQ(pages[0].images.size(), 1u) << c.name;
        const PdfImage& image = pages[0].images[0];
        EXPECT_EQ(image.width, 1467) << c.name;
        EXPECT_EQ(image.height, 733) << c.name;
        EXPECT_EQ(image.filter, c.filter) << c.name;
        expect_placement(image, 396 + 22, 408, 352, 176, c.name);
        // The halves, sampled away from the seam at 733.5: no colour bleeds from a transparent half.
        const int tolerance = c.jpeg ? 8 : 1;
        // A transparent half is white paper.
        constexpr int WHITE[3] = {255, 255, 255};
        for (auto [x, color] :
             {std::pair{700, c.color_type == RGBA ? WHITE : FLAT_LEFT}, {767, FLAT_RIGHT}}) {
            for (int channel = 0; channel < 3; ++channel) {
                const int value = static_cast<unsigned char>(image.pixels[(300 * 1467 + x) * 3 + channel]);
                EXPECT_NEAR(value, color[channel], tolerance)
                    << c.name << " x " << x << " channel " << channel;
            }
        }
        EXPECT_FALSE(image.has_soft_mask) << c.name;
        if (c.color_type != RGBA || c.jpeg) continue;
        // A renderer without transparency sees the same: white where the picture was clear.
        const std::string ppm = command_output(
            "gs -q -dNOPAUSE -dBATCH -dNOTRANSPARENCY -sDEVICE=ppmraw -r20 "
            "-sOutputFile=- '" +
            doc.dir.file("out.pdf") + "'");
        // "P6", Ghostscript's comment line, "220 170", "255", then the first side's pixels.
        const size_t size_line = ppm.find("\n220 170\n255\n");
        ASSERT_TRUE(ppm.starts_with("P6\n") && size_line != std::string::npos) << ppm.substr(0, 200);
        const size_t pixels = size_line + 13;
        auto rgb_at = [&](float x, float y) {  // points from the sheet's bottom-left corner
            const size_t at =
                pixels +
                ((static_cast<size_t>((612 - y) / 72 * 20)) * 220 + static_cast<size_t>(x / 72 * 20)) * 3;
            return std::string{ppm[at], ppm[at + 1], ppm[at + 2]};
        };
        EXPECT_EQ(rgb_at(450, 500), std::string(3, '\xFF')) << c.name << ": the clear half";
        EXPECT_EQ(rgb_at(700, 500),
                  (std::string{static_cast<char>(FLAT_RIGHT[0]), static_cast<char>(FLAT_RIGHT[1]),
                               static_cast<char>(FLAT_RIGHT[2])}))
            << c.name << ": the coloured half";
    }
}

// "dark" or "light" for the four corners of an image, top-left first.
std::string corners(const PdfImage& image) {
    const int channels = image.color_space == "DeviceGray" ? 1 : 3;
    std::string result;
    for (auto [x, y] : {std::pair{0, 0},
                        {image.width - 1, 0},
                        {0, image.height - 1},
                        {image.width - 1, image.height - 1}}) {
        const unsigned char value = image.pixels[(static_cast<size_t>(y) * image.width + x) * channels];
        result += value < 64 ? "dark " : value > 192 ? "light " : "grey ";
    }
    return result;
}

// A 32 x 16 picture, marked at its top-left corner when upright, stored as each
// orientation stores it: turned upright, the mark is at the top-left again, and a member
// photo's crop of its left half keeps the mark where one of its right half leaves it out.
// HEIC and WebP keep their orientation in their own ways; a lossless WebP is kept lossless.
TEST(DecodePictures, HonourOrientationAndColours) {
    const struct {
        const char* name;
        JpegShape shape;
        int format;   // -1 JPEG, else a PhoneFormat
        bool copied;  // embedded as the file's own bytes
        const char* color_space;
        const char* filter;
    } cases[] = {
        {"no EXIF", {32, 16, 3, false, 0, 0}, -1, true, "DeviceRGB", "DCTDecode"},
        {"orientation 1", {32, 16, 3, false, 1, 0}, -1, true, "DeviceRGB", "DCTDecode"},
        {"orientation 3", {32, 16, 3, false, 3, 3}, -1, false, "DeviceRGB", "DCTDecode"},  // turned 180
                                                                                           // degrees
        {"orientation 6", {16, 32, 3, false, 6, 2}, -1, false, "DeviceRGB", "DCTDecode"},  // 90 degrees
                                                                                           // clockwise
        {"orientation 8", {16, 32, 3, false, 8, 1}, -1, false, "DeviceRGB", "DCTDecode"},  // the other way
        {"grey", {32, 16, 1, false, 0, 0}, -1, true, "DeviceGray", "DCTDecode"},
        {"progressive", {32, 16, 3, true, 0, 0}, -1, true, "DeviceRGB", "DCTDecode"},
        {"CMYK", {32, 16, 4, false, 0, 0}, -1, false, "DeviceRGB", "DCTDecode"},
        {"HEIC", {32, 16, 3, false, 0, 0}, PHONE_HEIC, false, "DeviceRGB", "DCTDecode"},
        {"HEIC turned", {16, 32, 3, false, 6, 2}, PHONE_HEIC, false, "DeviceRGB", "DCTDecode"},
        {"WebP", {32, 16, 3, false, 0, 0}, PHONE_WEBP, false, "DeviceRGB", "DCTDecode"},
        {"WebP turned", {16, 32, 3, false, 8, 1}, PHONE_WEBP, false, "DeviceRGB", "DCTDecode"},
        {"WebP lossless", {32, 16, 3, false, 3, 3}, PHONE_WEBP_LOSSLESS, false, "DeviceRGB", "FlateDecode"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string name = std::string(c.name) + ".pic", path = dir.file(name);
        if (c.format < 0) {
            write_jpeg(path, c.shape);
        } else {
            write_phone_picture(path, c.shape, static_cast<PhoneFormat>(c.format));
        }
        PdfImage image = embedded_image(path);
        EXPECT_EQ(image.width, 32) << c.name;
        EXPECT_EQ(image.height, 16) << c.name;
        EXPECT_EQ(image.filter, c.filter) << c.name;
        EXPECT_EQ(image.color_space, c.color_space) << c.name;
        EXPECT_EQ(image.raw_data == dir.read(name), c.copied) << c.name;
        if (c.shape.components == 4) {
            // Magenta and yellow ink make red: the mark is red, the paper white.
            const std::string& p = image.pixels;
            EXPECT_GT(static_cast<unsigned char>(p[0]), 192) << c.name;
            EXPECT_LT(static_cast<unsigned char>(p[1]), 64) << c.name;
            EXPECT_LT(static_cast<unsigned char>(p[2]), 64) << c.name;
            EXPECT_GT(static_cast<unsigned char>(p[p.size() - 2]), 192) << c.name;
        } else {
            EXPECT_EQ(corners(image), "dark light light light ") << c.name;
            const PdfImage left = embedded_image(path, {0.0f, 0.0f, 0.5f, 1.0f});
            const PdfImage right = embedded_image(path, {0.5f, 0.0f, 0.5f, 1.0f});
            EXPECT_EQ(left.width, 16) << c.name;
            EXPECT_EQ(corners(left), "dark light light light ") << c.name << " cropped to its left half";
            EXPECT_EQ(corners(right), "light light light light ") << c.name << " cropped to its right half";
        }
    }
}

// Every input the fuzzers found a fault with is kept in fuzz/regressions: each must be
// refused with a reason or print, never reach a libharu error.
TEST(FuzzFindings, StayFixed) {
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_REGRESSIONS_DIR)) {
        const std::string path = entry.path().string();
        if (path.ends_with(".csv") || path.ends_with(".sdd")) continue;  // run end to end
        ++inputs;
        SourceImage image;
        if (const std::optional<Failure> failure = load_source_image(path.c_str(), &image, FULL_IMAGES)) {
            EXPECT_NE(failure->reason, "") << path;
            continue;
        }
        TestDocument doc(1, false);
        draw_image_panel(&doc.pdf, doc.target(1, 1, LAYOUT_STANDARD), doc.pdf.fonts.regular, &image,
                         {300, false}, "[schedule.png not found]", STANDARD_GEOMETRY);
        EXPECT_EQ(doc.finish()[0].images.size(), 1u) << path;
        free_source_image(&image);
    }
    EXPECT_GT(inputs, 0);
}

// Booklet of 8 logical pages: page 3 is the right half of the first side's back.
constexpr int BOOKLET_PAGES = 8;

TEST(DrawImagePanel, FitsImagesToTheBox) {
    const struct {
        int width, height;
        float x, y, drawn_width, drawn_height;
    } cases[] = {
        {1000, 500, 396 + 22, 408, 352, 176},
        {500, 1000, 396 + 59, 28, 278, 556},
        {352, 556, 396 + 22, 28, 352, 556},
        {704, 1112, 396 + 22, 28, 352, 556},
    };
    for (const auto& c : cases) {
        TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
        const std::string path = doc.dir.file("panel.png");
        write_rgb_png(path, c.width, c.height);
        TestImage panel(path);
        draw_image_panel(&doc.pdf, doc.target(3, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular,
                         &panel.image, FULL_IMAGES, "[committee.png not found]", BOOKLET_GEOMETRY);
        std::vector<PdfPage> pages = doc.finish();
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_EQ(pages[2].images.size(), 1u) << what;  // page 3 is the right half of sheet 1's front
        const PdfImage& image = pages[2].images[0];
        EXPECT_EQ(image.width, c.width) << what;
        EXPECT_EQ(image.height, c.height) << what;
        expect_placement(image, c.x, c.y, c.drawn_width, c.drawn_height, what);
        EXPECT_TRUE(pages[2].texts.empty()) << what;
    }
}

TEST(DrawImagePanel, MissingFileDrawsPlaceholder) {
    {
        const char* path = "missing";
        TestDocument doc(booklet_sides(BOOKLET_PAGES), true);
        draw_image_panel(&doc.pdf, doc.target(1, BOOKLET_PAGES, LAYOUT_BOOKLET), doc.pdf.fonts.regular,
                         nullptr, FULL_IMAGES, "[committee.png not found]", BOOKLET_GEOMETRY);
        std::vector<PdfPage> pages = doc.finish();
        ASSERT_EQ(pages[0].rects.size(), 1u) << path;
        const PdfRect& frame = pages[0].rects[0];
        EXPECT_FALSE(frame.filled);
        expect_rect(frame, 418, 28, 352, 556, path);
        EXPECT_NEAR(frame.line_width, 1, TOLERANCE);
        expect_color(frame.color, FRAME_GREY, "frame");
        ASSERT_EQ(pages[0].texts.size(), 1u);
        const PdfText& text = pages[0].texts[0];
        EXPECT_EQ(text.text, "[committee.png not found]");
        EXPECT_EQ(text.size, 9);
        EXPECT_NEAR(text.y, 306, TOLERANCE);
        // Centred on 396 + 198; the text is 11562 thousandths wide in Helvetica.
        EXPECT_NEAR(text.x, 594 - 11562 * 9 / 1000.0f / 2, TOLERANCE);
        expect_color(text.fill, ACCENT_COLOR, "placeholder text");
        EXPECT_TRUE(pages[0].images.empty());
    }
}

}  // namespace
