// How many pixels a picture is embedded at for its printed size, and getting there cheaply:
// rows shrunk by a whole factor as they are decoded (an average over each block, in linear
// light), turned upright, then filtered to the exact size (stb_image_resize).
#pragma once

#include <cstdint>
#include <memory>

#include "image/image.h"

// An image is reduced only when it has more than this many times the pixels per inch asked for.
constexpr float RESAMPLE_THRESHOLD = 1.5f;
// The exact filter is given at least this many times the pixels it makes across, so the
// block average before it softens nothing it keeps (measured against filtering every
// source pixel: 41 dB or more on a picture of text, 54 dB on a photo).
constexpr float FILTER_HEADROOM = 3.0f;
// Most pixels a decode holds before the exact filter, 48 MB in RGB: a larger picture is
// shrunk further as it is decoded (a little softer, never a memory hog).
constexpr unsigned long long MAX_HELD_PIXELS = 16000000ULL;

// The pixel size an image of width x height pixels, drawn drawn_width x drawn_height
// points, is embedded at: its own when `resolution` is 0 or the image has at most 1.5
// times `resolution` pixels per inch across; else exactly `resolution` pixels per inch of
// its drawn size, each side rounded to the nearest pixel (at least 1).
PixelSize embedded_size(uint32_t width, uint32_t height, float drawn_width, float drawn_height,
                        int32_t resolution);

// Shrinks a picture arriving row by row by a whole `factor`: each factor x factor block
// (smaller at the right and bottom edges) becomes the average of its pixels in linear
// light, colours weighted by their alpha. A factor of 1 keeps the rows as they are.
struct BoxReducer {
    Samples out;
    uint32_t in_width = 0, in_height = 0, factor = 1;
    uint32_t rows_in = 0;
    std::unique_ptr<float[]> sums;  // one block row: each colour x alpha, then alpha, per pixel
};

// Readies `reducer` for in_width x in_height pixels of `channels`, shrunk by the largest
// whole factor that leaves at least `least` pixels (1 when none does), or by the smallest
// that leaves at most MAX_HELD_PIXELS when that is larger. False when out of memory.
bool start_reduction(BoxReducer* reducer, uint32_t in_width, uint32_t in_height, int channels,
                     PixelSize least);

// Adds the next row (in_width pixels); rows past in_height are ignored.
void add_row(BoxReducer* reducer, const unsigned char* row);

// Turns `samples` upright as EXIF `orientation` (1 to 8) says; false when out of memory.
bool turn_upright(Samples* samples, int orientation);

// Drops an alpha channel that holds nothing but opaque pixels, so no transparency is handled.
void drop_opaque_alpha(Samples* samples);

// `samples` filtered to `size` pixels: sRGB values filtered in linear light, colours
// weighted by their alpha. Empty (null data) when out of memory.
Samples resample(const Samples& samples, PixelSize size);
