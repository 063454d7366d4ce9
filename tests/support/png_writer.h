// Writes PNG files for tests with libpng, in any colour type and bit depth.
#pragma once

#include <string>

struct PngSpec {
    int width = 4;
    int height = 4;
    int color_type = 2;  // PNG_COLOR_TYPE_RGB
    int bit_depth = 8;
    bool interlaced = false;
    bool transparency = false;      // a tRNS chunk (palette, grey and RGB images)
    bool half_transparent = false;  // alpha images: some pixels not fully opaque
};

// Writes a PNG of `spec` with a simple pattern to `path`. Throws on failure.
void write_png(const std::string& path, const PngSpec& spec);

// A plain 8-bit RGB image of the given size.
void write_rgb_png(const std::string& path, int width, int height);
