#include "image/resample.h"

#include <stb_image_resize.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr float POINTS_PER_INCH = 72.0f;

float srgb_to_linear(float value) {
    return value <= 0.04045f ? value / 12.92f : std::pow((value + 0.055f) / 1.055f, 2.4f);
}

// The linear light of each 8-bit sRGB value.
const std::array<float, 256>& linear_of_srgb() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> values{};
        for (int i = 0; i < 256; ++i) values[i] = srgb_to_linear(static_cast<float>(i) / 255.0f);
        return values;
    }();
    return table;
}

// The linear light halfway between each sRGB value and the next: a value's nearest sRGB
// code is the number of these it reaches.
const std::array<float, 255>& srgb_thresholds() {
    static const std::array<float, 255> table = [] {
        std::array<float, 255> values{};
        for (int i = 0; i < 255; ++i) values[i] = srgb_to_linear((static_cast<float>(i) + 0.5f) / 255.0f);
        return values;
    }();
    return table;
}

unsigned char srgb_of_linear(float value) {
    const std::array<float, 255>& thresholds = srgb_thresholds();
    return static_cast<unsigned char>(std::upper_bound(thresholds.begin(), thresholds.end(), value) -
                                      thresholds.begin());
}

bool allocate(Samples* samples, uint32_t width, uint32_t height, int channels) {
    samples->data.reset(new (std::nothrow) unsigned char[size_t{width} * height * channels]);
    samples->width = width;
    samples->height = height;
    samples->channels = channels;
    return samples->data != nullptr;
}

// Writes the finished block row as one output row and clears the sums for the next.
void emit_block_row(BoxReducer* reducer, uint32_t block_rows) {
    Samples& out = reducer->out;
    const int colors = out.channels == 2 || out.channels == 4 ? out.channels - 1 : out.channels;
    const bool alpha = colors != out.channels;
    const uint32_t out_y = (reducer->rows_in - 1) / reducer->factor;
    unsigned char* row = out.data.get() + size_t{out_y} * out.width * out.channels;
    float* sums = reducer->sums.get();
    for (uint32_t x = 0; x < out.width; ++x, sums += colors + 1, row += out.channels) {
        const uint32_t block_columns = std::min(reducer->factor, reducer->in_width - x * reducer->factor);
        const float weight = sums[colors];
        for (int c = 0; c < colors; ++c) row[c] = weight > 0.0f ? srgb_of_linear(sums[c] / weight) : 0;
        if (alpha)
            row[colors] = static_cast<unsigned char>(lroundf(weight * 255.0f / (block_columns * block_rows)));
    }
    std::fill_n(reducer->sums.get(), size_t{out.width} * (colors + 1), 0.0f);
}

}  // namespace

PixelSize embedded_size(uint32_t width, uint32_t height, float drawn_width, float drawn_height,
                        int32_t resolution) {
    const float drawn_inches = drawn_width / POINTS_PER_INCH;
    if (resolution <= 0 || static_cast<float>(width) / drawn_inches <= RESAMPLE_THRESHOLD * resolution) {
        return {width, height};
    }
    auto pixels = [&](float points) {
        const long rounded = lroundf(points / POINTS_PER_INCH * static_cast<float>(resolution));
        return static_cast<uint32_t>(rounded < 1 ? 1 : rounded);
    };
    return {pixels(drawn_width), pixels(drawn_height)};
}

bool start_reduction(BoxReducer* reducer, uint32_t in_width, uint32_t in_height, int channels,
                     PixelSize least) {
    uint32_t factor =
        std::max(1u, std::min(in_width / std::max(least.width, 1u), in_height / std::max(least.height, 1u)));
    auto held = [&](uint64_t f) { return ((in_width + f - 1) / f) * ((in_height + f - 1) / f); };
    while (held(factor) > MAX_HELD_PIXELS) ++factor;
    reducer->in_width = in_width;
    reducer->in_height = in_height;
    reducer->factor = factor;
    reducer->rows_in = 0;
    const uint32_t width = (in_width + factor - 1) / factor, height = (in_height + factor - 1) / factor;
    if (!allocate(&reducer->out, width, height, channels)) return false;
    if (factor == 1) return true;
    const int colors = channels == 2 || channels == 4 ? channels - 1 : channels;
    reducer->sums.reset(new (std::nothrow) float[size_t{width} * (colors + 1)]());
    return reducer->sums != nullptr;
}

void add_row(BoxReducer* reducer, const unsigned char* row) {
    if (reducer->rows_in >= reducer->in_height) return;
    Samples& out = reducer->out;
    const uint32_t factor = reducer->factor;
    ++reducer->rows_in;
    if (factor == 1) {
        const size_t row_bytes = size_t{out.width} * out.channels;
        memcpy(out.data.get() + (reducer->rows_in - 1) * row_bytes, row, row_bytes);
        return;
    }
    const std::array<float, 256>& linear = linear_of_srgb();
    const int colors = out.channels == 2 || out.channels == 4 ? out.channels - 1 : out.channels;
    const bool alpha = colors != out.channels;
    float* sum = reducer->sums.get();
    for (uint32_t x = 0; x < reducer->in_width; sum += colors + 1) {
        const uint32_t block_end = std::min(x + factor, reducer->in_width);
        for (; x < block_end; ++x, row += out.channels) {
            const float weight = alpha ? static_cast<float>(row[colors]) * (1.0f / 255.0f) : 1.0f;
            for (int c = 0; c < colors; ++c) sum[c] += linear[row[c]] * weight;
            sum[colors] += weight;
        }
    }
    const uint32_t block_rows = (reducer->rows_in - 1) % factor + 1;
    if (block_rows == factor || reducer->rows_in == reducer->in_height) emit_block_row(reducer, block_rows);
}

bool turn_upright(Samples* samples, int orientation) {
    if (orientation < 2 || orientation > 8) return true;
    const size_t width = samples->width, height = samples->height, channels = samples->channels;
    const bool swapped = orientation >= 5;
    Samples turned;
    if (!allocate(&turned, swapped ? samples->height : samples->width,
                  swapped ? samples->width : samples->height, samples->channels)) {
        return false;
    }
    // Where the upright pixel (x, y) lies in the stored samples.
    auto stored_index = [&](size_t x, size_t y) -> size_t {
        switch (orientation) {
            case 2:
                return y * width + (width - 1 - x);
            case 3:
                return (height - 1 - y) * width + (width - 1 - x);
            case 4:
                return (height - 1 - y) * width + x;
            case 5:
                return x * width + y;
            case 6:
                return (height - 1 - x) * width + y;
            case 7:
                return (height - 1 - x) * width + (width - 1 - y);
            default:
                return x * width + (width - 1 - y);  // 8
        }
    };
    unsigned char* target = turned.data.get();
    for (size_t y = 0; y < turned.height; ++y) {
        for (size_t x = 0; x < turned.width; ++x, target += channels) {
            memcpy(target, samples->data.get() + stored_index(x, y) * channels, channels);
        }
    }
    *samples = std::move(turned);
    return true;
}

void drop_opaque_alpha(Samples* samples) {
    if (samples->channels != 2 && samples->channels != 4) return;
    const size_t pixels = size_t{samples->width} * samples->height;
    const int colors = samples->channels - 1;
    unsigned char* data = samples->data.get();
    for (size_t i = 0; i < pixels; ++i) {
        if (data[i * samples->channels + colors] != 255) return;
    }
    for (size_t i = 0; i < pixels; ++i) memmove(data + i * colors, data + i * samples->channels, colors);
    samples->channels = colors;
}

Samples resample(const Samples& samples, PixelSize size) {
    Samples out;
    if (!allocate(&out, size.width, size.height, samples.channels)) return Samples();
    const int alpha =
        samples.channels == 2 || samples.channels == 4 ? samples.channels - 1 : STBIR_ALPHA_CHANNEL_NONE;
    if (!stbir_resize_uint8_generic(
            samples.data.get(), static_cast<int>(samples.width), static_cast<int>(samples.height), 0,
            out.data.get(), static_cast<int>(size.width), static_cast<int>(size.height), 0, samples.channels,
            alpha, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_SRGB, nullptr)) {
        return Samples();
    }
    return out;
}
