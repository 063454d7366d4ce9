// Writes JPEG files for tests with libjpeg: colour, grey or Adobe CMYK, baseline or
// progressive, with an EXIF orientation written by libexif; and the same pictures as a
// phone or a web page saves them, HEIC (libheif) and WebP (libwebp).
#pragma once

#include <string>
#include <vector>

struct JpegShape {
    int width = 32;  // as stored in the file
    int height = 16;
    int components = 3;  // 1 grey, 3 RGB, 4 CMYK (Adobe: stored inverted, 255 = no ink)
    bool progressive = false;
    int orientation = 0;    // EXIF orientation 1..8; 0 writes no EXIF data
    int marker_corner = 0;  // 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right
};

// Writes a white picture of `shape` with a 8 x 8 marker in `marker_corner`: black in
// grey and RGB images, pure red ink-wise (no cyan, no black) in CMYK. Throws on failure.
void write_jpeg(const std::string& path, const JpegShape& shape);

// As write_jpeg, with `fill` (the samples of one pixel) for every pixel outside the marker
// and `icc_profile` written as APP2 segments.
void write_profiled_jpeg(const std::string& path, const JpegShape& shape,
                         const std::vector<unsigned char>& fill, const std::string& icc_profile);

enum PhoneFormat { PHONE_HEIC, PHONE_WEBP, PHONE_WEBP_LOSSLESS };

// Writes the RGB picture write_jpeg makes of `shape` in `format`, its orientation as the
// format keeps it (HEIC: turned by the file's irot/imir boxes; WebP: an EXIF chunk) and
// `icc_profile`, if any, as its colour profile; `fill`, if given, as write_profiled_jpeg
// takes it. Throws on failure.
void write_phone_picture(const std::string& path, const JpegShape& shape, PhoneFormat format,
                         const std::string& icc_profile = "", const std::vector<unsigned char>& fill = {});

// Writes the RGB picture write_jpeg makes of `shape` as HEIC with a thumbnail: the picture
// write_jpeg makes of `thumbnail` (give it a marker corner of its own, so a test can tell which
// one was drawn), turned by the same orientation. Throws on failure.
void write_heic_with_thumbnail(const std::string& path, const JpegShape& shape, const JpegShape& thumbnail);
