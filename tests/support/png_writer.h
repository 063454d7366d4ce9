// Writes PNG files for tests with libpng, in any colour type and bit depth.
#pragma once

#include <string>

struct PngShape {
    int width = 4;
    int height = 4;
    int color_type = 2;  // PNG_COLOR_TYPE_RGB
    int bit_depth = 8;
    bool interlaced = false;
    bool transparency = false;      // a tRNS chunk (palette, grey and RGB images)
    bool half_transparent = false;  // alpha images: some pixels not fully opaque
    bool text_chunk = false;        // adds a tEXt chunk, for corrupting an ancillary chunk
    bool flat_halves = false;       // 8-bit RGB(A): FLAT_LEFT and FLAT_RIGHT halves, the left one transparent
    std::string icc_profile;        // an ICC profile for an iCCP chunk; "" writes none
    int solid = -1;                 // 8-bit RGB: every pixel this colour, 0xRRGGBB; -1 the pattern
    bool noise = false;             // 8-bit RGB: a hashed value a sample, which compression cannot shrink
};

constexpr int FLAT_LEFT[3] = {40, 80, 160};
constexpr int FLAT_RIGHT[3] = {200, 120, 30};

// Writes a PNG of `shape` with a simple pattern to `path`. Throws on failure.
void write_png(const std::string& path, const PngShape& shape);

// The 8-bit samples a correct reader sees in an image of `shape` (colour or grey, no
// alpha, row by row), and its alpha plane ("" when every pixel is opaque).
std::string expected_pixels(const PngShape& shape);
std::string expected_alpha(const PngShape& shape);

// Changes the first chunk of `type` in the PNG at `path`: `flip_at` is the data byte
// to invert (-1: none), and the chunk's CRC is recomputed unless `break_crc`.
void patch_png_chunk(const std::string& path, const char* type, int flip_at, bool break_crc);

// Rewrites the image size in the IHDR chunk of the PNG at `path` (with a valid CRC).
void set_png_size(const std::string& path, unsigned width, unsigned height);

// A plain 8-bit RGB image of the given size.
void write_rgb_png(const std::string& path, int width, int height);
