#include "image/colour.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/image.h"
#include "tests/support/jpeg_writer.h"
#include "tests/support/png_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_image.h"

namespace {

constexpr const char* ADOBE_RGB = "/usr/share/color/icc/compatibleWithAdobeRGB1998.icc";
constexpr const char* PRESS_CMYK = "/usr/share/color/icc/ghostscript/ps_cmyk.icc";

std::string file_bytes(const char* path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// What Little CMS makes of `samples` in the profile at `path` (format `format`) in sRGB.
std::vector<unsigned char> reference(const char* path, cmsUInt32Number format, const unsigned char* samples) {
    cmsHPROFILE input = cmsOpenProfileFromFile(path, "r"), srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(input, format, srgb, TYPE_RGB_8, INTENT_PERCEPTUAL, 0);
    std::vector<unsigned char> rgb(3);
    cmsDoTransform(transform, samples, rgb.data(), 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(input);
    cmsCloseProfile(srgb);
    return rgb;
}

// The CIE76 colour difference of two sRGB colours.
double delta_e(const unsigned char* a, const unsigned char* b) {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM to_lab = cmsCreateTransform(srgb, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
    cmsCIELab lab_a, lab_b;
    cmsDoTransform(to_lab, a, &lab_a, 1);
    cmsDoTransform(to_lab, b, &lab_b, 1);
    cmsDeleteTransform(to_lab);
    cmsCloseProfile(srgb);
    cmsCloseProfile(lab);
    return cmsDeltaE(&lab_a, &lab_b);
}

// Pictures that carry a profile arrive in sRGB, within ΔE 3 of Little CMS's own conversion
// at their centre.
TEST(ColourManagement, ProfiledPicturesArriveInSrgb) {
    TempDir dir;
    const unsigned char red[3] = {200, 30, 40}, ink[4] = {40, 200, 90, 230};  // Adobe CMYK: inverted
    JpegShape shape;
    shape.width = shape.height = 64;
    write_profiled_jpeg(dir.file("adobe.jpg"), shape, {red, red + 3}, file_bytes(ADOBE_RGB));
    write_phone_picture(dir.file("adobe.heic"), shape, PHONE_HEIC, file_bytes(ADOBE_RGB), {red, red + 3});
    write_phone_picture(dir.file("adobe.webp"), shape, PHONE_WEBP_LOSSLESS, file_bytes(ADOBE_RGB),
                        {red, red + 3});
    shape.components = 4;
    write_profiled_jpeg(dir.file("cmyk.jpg"), shape, {ink, ink + 4}, file_bytes(PRESS_CMYK));
    PngShape png;
    png.width = png.height = 64;
    png.flat_halves = true;
    png.icc_profile = file_bytes(ADOBE_RGB);
    write_png(dir.file("adobe.png"), png);
    const unsigned char flat_right[3] = {FLAT_RIGHT[0], FLAT_RIGHT[1], FLAT_RIGHT[2]};
    const struct {
        const char* file;
        std::vector<unsigned char> expected;
        int x;  // the pixel compared, on row 32
    } cases[] = {
        {"adobe.jpg", reference(ADOBE_RGB, TYPE_RGB_8, red), 32},
        {"adobe.heic", reference(ADOBE_RGB, TYPE_RGB_8, red), 32},
        {"adobe.webp", reference(ADOBE_RGB, TYPE_RGB_8, red), 32},
        {"cmyk.jpg", reference(PRESS_CMYK, TYPE_CMYK_8_REV, ink), 32},
        {"adobe.png", reference(ADOBE_RGB, TYPE_RGB_8, flat_right), 48},
    };
    for (const auto& c : cases) {
        const PdfImage image = embedded_image(dir.file(c.file));
        ASSERT_EQ(image.color_space, "DeviceRGB") << c.file;
        const unsigned char* pixel =
            reinterpret_cast<const unsigned char*>(image.pixels.data()) + (32 * image.width + c.x) * 3;
        EXPECT_LE(delta_e(pixel, c.expected.data()), 3.0) << c.file;
        EXPECT_NE(image.raw_data, file_bytes(dir.file(c.file).c_str()))
            << c.file << ": converted colours cannot go in as the file is";
    }
}

}  // namespace
