#include "layout/jpeg_codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "layout/draw.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/test_document.h"
#include "tests/support/test_image.h"

namespace {

// The embedded image of a JPEG drawn on a standard page, read back from the PDF.
PdfImage embedded(const std::string& path) {
    TestDocument doc(1, false);
    TestImage source(path);
    draw_image_panel(doc.document, doc.pages.data(), 1, 1, LAYOUT_STANDARD, doc.regular_font, &source.image,
                     {300, false}, "[schedule.png not found]", 612, 792, 28, 36);
    std::vector<PdfPage> pages = doc.finish();
    EXPECT_EQ(pages[0].images.size(), 1u) << path;
    return pages[0].images.empty() ? PdfImage{} : pages[0].images[0];
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
// orientation stores it: turned upright, the mark is at the top-left again.
TEST(DecodeJpeg, HonoursExifOrientationAndColours) {
    const struct {
        const char* name;
        JpegShape shape;
        bool copied;  // embedded as the file's own bytes
        const char* color_space;
    } cases[] = {
        {"no EXIF", {32, 16, 3, false, 0, 0}, true, "DeviceRGB"},
        {"orientation 1", {32, 16, 3, false, 1, 0}, true, "DeviceRGB"},
        {"orientation 3", {32, 16, 3, false, 3, 3}, false, "DeviceRGB"},  // turned 180 degrees
        {"orientation 6",
         {16, 32, 3, false, 6, 2},
         false,
         "DeviceRGB"},  // turned 90 degrees clockwise to view
        {"orientation 8", {16, 32, 3, false, 8, 1}, false, "DeviceRGB"},  // turned 90 degrees the other way
        {"grey", {32, 16, 1, false, 0, 0}, true, "DeviceGray"},
        {"progressive", {32, 16, 3, true, 0, 0}, true, "DeviceRGB"},
        {"CMYK", {32, 16, 4, false, 0, 0}, false, "DeviceRGB"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string name = std::string(c.name) + ".jpg", path = dir.file(name);
        write_jpeg(path, c.shape);
        PdfImage image = embedded(path);
        EXPECT_EQ(image.width, 32) << c.name;
        EXPECT_EQ(image.height, 16) << c.name;
        EXPECT_EQ(image.filter, "DCTDecode") << c.name;
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
        }
    }
}

TEST(DecodeJpeg, DamagedFilesAreRefused) {
    TempDir dir;
    const std::string path = dir.file("photo.jpg");
    write_jpeg(path, {64, 64});
    const std::string whole = dir.read("photo.jpg");
    const struct {
        std::string bytes;
        const char* reason;
    } errors[] = {
        {whole.substr(0, whole.size() / 2), "Premature end of JPEG file"},
        {whole.substr(0, 3) + std::string(200, 'x'), "Unsupported marker type 0x78"},
    };
    for (const auto& e : errors) {
        dir.write("damaged.jpg", e.bytes);
        SourceImage image;
        char reason[256];
        EXPECT_FALSE(load_source_image(dir.file("damaged.jpg").c_str(), &image, reason, sizeof reason))
            << e.reason;
        EXPECT_STREQ(reason, e.reason);
        EXPECT_EQ(image.samples, nullptr);
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
        char reason[256] = "";
        if (!load_source_image(path.c_str(), &image, reason, sizeof reason)) {
            EXPECT_NE(reason[0], '\0') << path;
            continue;
        }
        TestDocument doc(1, false);
        draw_image_panel(doc.document, doc.pages.data(), 1, 1, LAYOUT_STANDARD, doc.regular_font, &image, {300, false},
                         "[schedule.png not found]", 612, 792, 28, 36);
        EXPECT_EQ(doc.finish()[0].images.size(), 1u) << path;
        free_source_image(&image);
    }
    EXPECT_GT(inputs, 0);
}

}  // namespace
