// How many pixels an image is embedded at for its printed size, and reducing its samples
// to that many (stb_image_resize).
#pragma once

#include <cstdint>

#include "image/image.h"

// An image is reduced only when it has more than this many times the pixels per inch asked for.
constexpr float RESAMPLE_THRESHOLD = 1.5f;

struct PixelSize {
    uint32_t width, height;
};

// The pixel size an image of width x height pixels, drawn drawn_width x drawn_height
// points, is embedded at: its own when `resolution` is 0 or the image has at most 1.5
// times `resolution` pixels per inch across; else exactly `resolution` pixels per inch of
// its drawn size, each side rounded to the nearest pixel (at least 1).
PixelSize embedded_size(uint32_t width, uint32_t height, float drawn_width, float drawn_height,
                        int32_t resolution);

// Samples `image` at `size` pixels: sRGB values filtered in linear light, colours weighted
// by their alpha. Returns malloc'd samples (size.width * size.height * image.channels
// bytes, owned by the caller), or null when out of memory.
unsigned char* resample(const SourceImage& image, PixelSize size);
