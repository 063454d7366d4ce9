#include "tests/support/png_writer.h"

#include <png.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

int channels_of(int color_type) {
    switch (color_type) {
        case PNG_COLOR_TYPE_GRAY:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;  // palette index
    }
}

// Sample value of channel `c` at (x, y), in 0..max.
unsigned sample(const PngSpec& spec, int x, int y, int c, unsigned max) {
    if (c == 3 || (spec.color_type == PNG_COLOR_TYPE_GRAY_ALPHA && c == 1)) {
        return (spec.half_transparent && x < spec.width / 2) ? max / 2 : max;
    }
    return static_cast<unsigned>((x * 7 + y * 13 + c * 5) % (max + 1));
}

void pack_row(const PngSpec& spec, int y, std::vector<png_byte>* row) {
    const int channels = channels_of(spec.color_type);
    const unsigned max = (1u << spec.bit_depth) - 1;
    int bit = 0;
    for (int x = 0; x < spec.width; ++x) {
        for (int c = 0; c < channels; ++c) {
            unsigned value = sample(spec, x, y, c, max);
            if (spec.bit_depth == 16) {
                row->at(bit / 8) = static_cast<png_byte>(value >> 8);
                row->at(bit / 8 + 1) = static_cast<png_byte>(value & 0xFF);
            } else {
                int shift = 8 - spec.bit_depth - bit % 8;
                row->at(bit / 8) |= static_cast<png_byte>(value << shift);
            }
            bit += spec.bit_depth;
        }
    }
}

void set_palette(png_structp png, png_infop info, const PngSpec& spec) {
    const int entries = 1 << spec.bit_depth;
    std::vector<png_color> palette(entries);
    std::vector<png_byte> alpha(entries);
    for (int i = 0; i < entries; ++i) {
        const png_byte level = static_cast<png_byte>(i * 255 / (entries - 1));
        palette[i] = {level, static_cast<png_byte>(40 + i), static_cast<png_byte>(255 - level)};
        alpha[i] = (i % 2) ? 128 : 255;
    }
    png_set_PLTE(png, info, palette.data(), entries);
    if (spec.transparency) png_set_tRNS(png, info, alpha.data(), entries, nullptr);
}

}  // namespace

void write_png(const std::string& path, const PngSpec& spec) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        throw std::runtime_error("libpng failed writing " + path);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bit_depth, spec.color_type,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (spec.color_type == PNG_COLOR_TYPE_PALETTE) set_palette(png, info, spec);
    if (spec.transparency && spec.color_type == PNG_COLOR_TYPE_GRAY) {
        png_color_16 key{};
        key.gray = 0;
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    const size_t row_bytes =
        (static_cast<size_t>(spec.width) * channels_of(spec.color_type) * spec.bit_depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(spec.height, std::vector<png_byte>(row_bytes, 0));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < spec.height; ++y) {
        pack_row(spec, y, &rows[y]);
        pointers.push_back(rows[y].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(file);
}

void write_rgb_png(const std::string& path, int width, int height) {
    PngSpec spec;
    spec.width = width;
    spec.height = height;
    write_png(path, spec);
}
