#include "image/resample.h"

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

// Steps of linear light at which sRGB codes are looked up: a value is off its step by at
// most 1/32766, a fifth of the least distance (1/6600) between a code's linear light and the
// next threshold, so every code comes back as it went in; and the table (16 KB) stays in the
// processor's nearest cache.
constexpr int CODE_STEPS = 16383;

// The nearest 8-bit sRGB code of each step of linear light.
const unsigned char* code_of_step() {
    static const std::array<unsigned char, CODE_STEPS + 1> table = [] {
        const std::array<float, 255>& thresholds = srgb_thresholds();
        std::array<unsigned char, CODE_STEPS + 1> codes{};
        for (int i = 0; i <= CODE_STEPS; ++i) {
            const float value = static_cast<float>(i) / CODE_STEPS;
            codes[i] = static_cast<unsigned char>(
                std::upper_bound(thresholds.begin(), thresholds.end(), value) - thresholds.begin());
        }
        return codes;
    }();
    return table.data();
}

// The sRGB code of a linear light value (an average of values from 0 to 1), through `codes`
// (code_of_step). Clamped as a whole number, which compiles without branches.
inline unsigned char srgb_of_linear(const unsigned char* codes, float value) {
    const int step = static_cast<int>(value * CODE_STEPS + 0.5f);
    return codes[std::clamp(step, 0, CODE_STEPS)];
}

bool allocate(Samples* samples, uint32_t width, uint32_t height, int channels) {
    samples->data.reset(new (std::nothrow) unsigned char[size_t{width} * height * channels]);
    samples->width = width;
    samples->height = height;
    samples->channels = channels;
    return samples->data != nullptr;
}

int colour_count(int channels) { return channels == 2 || channels == 4 ? channels - 1 : channels; }

// The area average's weights from `in` source pixels to `out`, either way (a source pixel
// wider than an output pixel lends it the part under it). False when out of memory.
bool plan_axis(AreaAxis* axis, uint32_t in, uint32_t out) {
    const double scale = static_cast<double>(in) / out;
    axis->taps = static_cast<uint32_t>(std::ceil(scale)) + 1;
    axis->first.reset(new (std::nothrow) uint32_t[out]);
    axis->last.reset(new (std::nothrow) uint32_t[out]);
    axis->weights.reset(new (std::nothrow) float[size_t{out} * axis->taps]());
    if (!axis->first || !axis->last || !axis->weights) return false;
    for (uint32_t i = 0; i < out; ++i) {
        const double start = i * scale, end = i + 1 == out ? in : (i + 1) * scale;
        const uint32_t first = std::min(in - 1, static_cast<uint32_t>(start));
        axis->first[i] = axis->last[i] = first;
        float* weights = &axis->weights[size_t{i} * axis->taps];
        for (uint32_t k = 0; k < axis->taps && first + k < in && first + k < end; ++k) {
            const double low = std::max<double>(first + k, start),
                         high = std::min<double>(first + k + 1, end);
            weights[k] = static_cast<float>((high - low) / (end - start));
            if (weights[k] > 0.0f) axis->last[i] = first + k;
        }
    }
    return true;
}

// One row of `target`'s output from the vertical sums: each pixel's horizontal average,
// its colours divided by its alpha, in sRGB codes. RGB without alpha, nearly every photo,
// has a loop of its own the compiler can keep in registers.
void write_row(const AreaReducer& reducer, AreaTarget* target, const float* sums) {
    const int channels = reducer.channels, colors = colour_count(channels);
    const AreaAxis& across = target->across;
    const unsigned char* codes = code_of_step();
    unsigned char* row = target->out.data.get() + size_t{target->next_row} * target->size.width * channels;
    for (uint32_t x = 0; x < target->size.width; ++x, row += channels) {
        const float* weights = &across.weights[size_t{x} * across.taps];
        const float* source = sums + size_t{across.first[x]} * channels;
        const uint32_t taps = across.last[x] - across.first[x] + 1;
        if (channels == 3) {
            float red = 0.0f, green = 0.0f, blue = 0.0f;
            for (uint32_t k = 0; k < taps; ++k, source += 3) {
                red += weights[k] * source[0];
                green += weights[k] * source[1];
                blue += weights[k] * source[2];
            }
            row[0] = srgb_of_linear(codes, red);
            row[1] = srgb_of_linear(codes, green);
            row[2] = srgb_of_linear(codes, blue);
            continue;
        }
        float pixel[4] = {};
        for (uint32_t k = 0; k < taps; ++k, source += channels) {
            for (int c = 0; c < channels; ++c) pixel[c] += weights[k] * source[c];
        }
        const float cover = colors == channels ? 1.0f : pixel[colors];
        for (int c = 0; c < colors; ++c) row[c] = cover > 0.0f ? srgb_of_linear(codes, pixel[c] / cover) : 0;
        if (colors != channels)
            row[colors] = static_cast<unsigned char>(std::lround(std::clamp(cover, 0.0f, 1.0f) * 255.0f));
    }
}

// Adds the source row `row` (counted inside the crop, in linear light) to the sums of each
// output row it lies under, and makes every output row whose last source row it is.
void add_to_rows(const AreaReducer& reducer, AreaTarget* target, uint32_t row, const float* linear) {
    const size_t width = size_t{reducer.crop_width} * reducer.channels;
    const AreaAxis& down = target->down;
    for (uint32_t y = target->next_row; y < target->size.height && down.first[y] <= row; ++y) {
        if (down.last[y] < row) continue;
        const float weight = down.weights[size_t{y} * down.taps + (row - down.first[y])];
        float* sums = &target->sums[(y % target->sum_rows) * width];
        for (size_t i = 0; i < width; ++i) sums[i] += weight * linear[i];
    }
    while (target->next_row < target->size.height && down.last[target->next_row] == row) {
        float* sums = &target->sums[(target->next_row % target->sum_rows) * width];
        write_row(reducer, target, sums);
        std::fill_n(sums, width, 0.0f);
        ++target->next_row;
    }
}

// The cropped part of a source row in linear light, colours weighted by their alpha.
void linearise(const AreaReducer& reducer, const unsigned char* row, float* out) {
    const std::array<float, 256>& linear = linear_of_srgb();
    const int channels = reducer.channels, colors = colour_count(channels);
    row += size_t{reducer.crop_x} * channels;
    if (colors == channels) {
        for (size_t i = 0; i < size_t{reducer.crop_width} * channels; ++i) out[i] = linear[row[i]];
        return;
    }
    for (uint32_t x = 0; x < reducer.crop_width; ++x, row += channels, out += channels) {
        const float weight = static_cast<float>(row[colors]) * (1.0f / 255.0f);
        for (int c = 0; c < colors; ++c) out[c] = linear[row[c]] * weight;
        out[colors] = weight;
    }
}

// The span of `full` pixels a crop takes: where `start` (a fraction) falls and how many
// `length` takes, inside it and at least one.
void crop_span(float start, float length, uint32_t full, uint32_t* first, uint32_t* count) {
    *first = std::min(full - 1, static_cast<uint32_t>(std::lround(start * static_cast<float>(full))));
    const uint32_t wanted =
        static_cast<uint32_t>(std::max(1L, std::lround(length * static_cast<float>(full))));
    *count = std::min(wanted, full - *first);
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

void plan_reduction(AreaReducer* reducer, std::span<const PixelSize> sizes, CropBox crop) {
    reducer->crop = crop;
    reducer->target_count = 0;
    for (const PixelSize& size : sizes.first(std::min<size_t>(sizes.size(), MAX_PICTURE_SIZES))) {
        reducer->targets[reducer->target_count++].size = size;
    }
}

bool start_reduction(AreaReducer* reducer, uint32_t in_width, uint32_t in_height, int channels) {
    reducer->in_width = in_width;
    reducer->in_height = in_height;
    reducer->channels = channels;
    reducer->rows_in = 0;
    crop_span(reducer->crop.left, reducer->crop.width, in_width, &reducer->crop_x, &reducer->crop_width);
    crop_span(reducer->crop.top, reducer->crop.height, in_height, &reducer->crop_y, &reducer->crop_height);
    const size_t width = size_t{reducer->crop_width} * channels;
    bool averaged = false;
    for (int i = 0; i < reducer->target_count; ++i) {
        AreaTarget& target = reducer->targets[i];
        target.next_row = 0;
        target.copied = target.size == PixelSize{reducer->crop_width, reducer->crop_height};
        if (!allocate(&target.out, target.size.width, target.size.height, channels)) return false;
        if (target.copied) continue;
        if (!plan_axis(&target.across, reducer->crop_width, target.size.width) ||
            !plan_axis(&target.down, reducer->crop_height, target.size.height)) {
            return false;
        }
        // A source row lies under two output rows, or a few more when it is the larger.
        target.sum_rows = (target.size.height + reducer->crop_height - 1) / reducer->crop_height + 2;
        target.sums.reset(new (std::nothrow) float[width * target.sum_rows]());
        if (target.sums == nullptr) return false;
        averaged = true;
    }
    if (averaged) reducer->linear.reset(new (std::nothrow) float[width]);
    return !averaged || reducer->linear != nullptr;
}

void add_row(AreaReducer* reducer, const unsigned char* row) {
    if (reducer->rows_in >= reducer->in_height) return;
    const uint32_t y = reducer->rows_in++;
    if (y < reducer->crop_y || y >= reducer->crop_y + reducer->crop_height) return;
    const uint32_t inside = y - reducer->crop_y;
    const size_t width = size_t{reducer->crop_width} * reducer->channels;
    if (reducer->linear) linearise(*reducer, row, reducer->linear.get());
    for (int i = 0; i < reducer->target_count; ++i) {
        AreaTarget& target = reducer->targets[i];
        if (target.copied) {
            memcpy(target.out.data.get() + inside * width, row + size_t{reducer->crop_x} * reducer->channels,
                   width);
        } else {
            add_to_rows(*reducer, &target, inside, reducer->linear.get());
        }
    }
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
