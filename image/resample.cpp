#include "image/resample.h"

#include <stb_image_resize.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr float POINTS_PER_INCH = 72.0f;

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

unsigned char* resample(const SourceImage& image, PixelSize size) {
    unsigned char* out =
        static_cast<unsigned char*>(malloc(static_cast<size_t>(size.width) * size.height * image.channels));
    if (out == nullptr) return nullptr;
    const int alpha =
        image.channels == 2 || image.channels == 4 ? image.channels - 1 : STBIR_ALPHA_CHANNEL_NONE;
    if (!stbir_resize_uint8_generic(image.samples, static_cast<int>(image.width),
                                    static_cast<int>(image.height), 0, out, static_cast<int>(size.width),
                                    static_cast<int>(size.height), 0, image.channels, alpha, 0,
                                    STBIR_EDGE_CLAMP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_SRGB, nullptr)) {
        free(out);
        return nullptr;
    }
    return out;
}
