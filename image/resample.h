// How many pixels a picture is embedded at for its printed size, and getting there as it is
// decoded: each row goes, in linear light, straight into an area average for every size the
// documents draw the picture at, so no full-size picture is ever held.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "image/image.h"

// An image is reduced only when it has more than this many times the pixels per inch asked for.
constexpr float RESAMPLE_THRESHOLD = 1.5f;

// The pixel size an image of width x height pixels, drawn drawn_width x drawn_height
// points, is embedded at: its own when `resolution` is 0 or the image has at most 1.5
// times `resolution` pixels per inch across; else exactly `resolution` pixels per inch of
// its drawn size, each side rounded to the nearest pixel (at least 1).
PixelSize embedded_size(uint32_t width, uint32_t height, float drawn_width, float drawn_height,
                        int32_t resolution);

// Which source pixels one axis of an area average reads: output pixel i is the average of
// source pixels first[i] .. first[i] + taps - 1, weighted by weights[i * taps + k] (the part
// of each that lies under the output pixel; they sum to 1).
struct AreaAxis {
    uint32_t taps = 0;
    std::unique_ptr<uint32_t[]> first, last;  // last: the last source pixel with a weight
    std::unique_ptr<float[]> weights;
};

// One size a picture is reduced to, as stored (before turning upright): the average, over
// each output pixel's area, of the source pixels under it, in linear light, colours
// weighted by their alpha. A size equal to the source's is its rows as they are.
struct AreaTarget {
    PixelSize size;
    Samples out;  // complete once every source row has arrived
    bool copied = false;
    AreaAxis across, down;
    uint32_t next_row = 0;  // the next output row to make
    // The vertical sums of the output rows being made, row y at y % sum_rows: each source row
    // adds to the few it lies under, so memory does not grow with the reduction.
    std::unique_ptr<float[]> sums;
    uint32_t sum_rows = 0;
};

// The reduction of a picture arriving row by row (its part `crop`, as stored) to each of
// its target sizes.
struct AreaReducer {
    CropBox crop = WHOLE_PICTURE;
    AreaTarget targets[MAX_PICTURE_SIZES];
    int target_count = 0;
    uint32_t in_width = 0, in_height = 0, rows_in = 0;
    int channels = 0;
    uint32_t crop_x = 0, crop_y = 0, crop_width = 0, crop_height = 0;  // source pixels
    std::unique_ptr<float[]> linear;  // the newest source row's crop in linear light
};

// Readies `reducer` to make `sizes` (as stored; at most MAX_PICTURE_SIZES, each distinct)
// of the part `crop` of a picture (fractions of it as stored).
void plan_reduction(AreaReducer* reducer, std::span<const PixelSize> sizes, CropBox crop);

// Readies the planned reduction for in_width x in_height pixels of `channels` (1 grey, 2
// grey + alpha, 3 RGB, 4 RGBA), the size the decoder delivers. False when out of memory.
bool start_reduction(AreaReducer* reducer, uint32_t in_width, uint32_t in_height, int channels);

// Adds the next source row (in_width pixels); rows past in_height are ignored.
void add_row(AreaReducer* reducer, const unsigned char* row);

// Turns `samples` upright as EXIF `orientation` (1 to 8) says; false when out of memory.
bool turn_upright(Samples* samples, int orientation);

// Drops an alpha channel that holds nothing but opaque pixels, so no transparency is handled.
void drop_opaque_alpha(Samples* samples);
