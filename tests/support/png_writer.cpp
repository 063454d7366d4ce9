#include "tests/support/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

int channels_of(int color_type) {
    switch (color_type) {
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            return 1;  // grey, or a palette index
    }
}

bool has_alpha_channel(int color_type) { return (color_type & PNG_COLOR_MASK_ALPHA) != 0; }
int color_channels(const PngShape& shape) { return (shape.color_type & PNG_COLOR_MASK_COLOR) ? 3 : 1; }
unsigned max_sample(const PngShape& shape) { return (1u << shape.bit_depth) - 1; }

// The picture every variant shows: an 8-bit value per pixel and colour channel.
unsigned base8(int x, int y, int c) { return static_cast<unsigned>((x * 37 + y * 61 + c * 89) % 256); }

png_color palette_color(int index, int entries) {
    const png_byte level = static_cast<png_byte>(index * 255 / (entries - 1));
    return {level, static_cast<png_byte>(40 + index), static_cast<png_byte>(255 - level)};
}
png_byte palette_alpha(int index) { return (index % 2) ? 128 : 255; }

bool translucent_pixel(const PngShape& shape, int x) { return shape.half_transparent && x < shape.width / 2; }

// The stored sample of channel c at (x, y), scaled to the bit depth.
unsigned stored_sample(const PngShape& shape, int x, int y, int c) {
    const unsigned max = max_sample(shape);
    if (shape.flat_halves) {
        const bool left = x < shape.width / 2;
        if (c == 3) return left ? 0 : 255;
        return static_cast<unsigned>((left ? FLAT_LEFT : FLAT_RIGHT)[c]);
    }
    if (shape.solid >= 0 && c < 3) return static_cast<unsigned>(shape.solid >> (16 - 8 * c)) & 255u;
    if (shape.noise && c < 3) {
        uint32_t hash = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                        static_cast<uint32_t>(c) * 83492791u;
        hash = (hash ^ (hash >> 13)) * 0x5bd1e995u;
        return (hash ^ (hash >> 15)) & 255u;
    }
    if (has_alpha_channel(shape.color_type) && c == channels_of(shape.color_type) - 1) {
        return translucent_pixel(shape, x) ? 127 * (max / 255) : max;
    }
    return base8(x, y, c) * max / 255;
}

void pack_row(const PngShape& shape, int y, std::vector<png_byte>* row) {
    const int channels = channels_of(shape.color_type);
    int bit = 0;
    for (int x = 0; x < shape.width; ++x) {
        for (int c = 0; c < channels; ++c, bit += shape.bit_depth) {
            unsigned value = stored_sample(shape, x, y, c);
            if (shape.bit_depth == 16) {
                row->at(bit / 8) = static_cast<png_byte>(value >> 8);
                row->at(bit / 8 + 1) = static_cast<png_byte>(value & 0xFF);
            } else {
                row->at(bit / 8) |= static_cast<png_byte>(value << (8 - shape.bit_depth - bit % 8));
            }
        }
    }
}

void set_palette(png_structp png, png_infop info, const PngShape& shape) {
    const int entries = 1 << shape.bit_depth;
    std::vector<png_color> palette(entries);
    std::vector<png_byte> alpha(entries);
    for (int i = 0; i < entries; ++i) {
        palette[i] = palette_color(i, entries);
        alpha[i] = palette_alpha(i);
    }
    png_set_PLTE(png, info, palette.data(), entries);
    if (shape.transparency) png_set_tRNS(png, info, alpha.data(), entries, nullptr);
}

void set_extra_chunks(png_structp png, png_infop info, const PngShape& shape) {
    if (shape.color_type == PNG_COLOR_TYPE_PALETTE) set_palette(png, info, shape);
    if (shape.transparency && shape.color_type == PNG_COLOR_TYPE_GRAY) {
        png_color_16 key{};
        png_set_tRNS(png, info, nullptr, 0, &key);  // grey 0 is transparent
    }
    if (shape.text_chunk) {
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("made for a test");
        png_set_text(png, info, &text, 1);
    }
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

uint32_t read_be32(const std::string& bytes, size_t at) {
    return (uint32_t(uint8_t(bytes[at])) << 24) | (uint32_t(uint8_t(bytes[at + 1])) << 16) |
           (uint32_t(uint8_t(bytes[at + 2])) << 8) | uint32_t(uint8_t(bytes[at + 3]));
}

void write_be32(std::string* bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// Offset of the length field of the first chunk of `type`.
size_t find_chunk(const std::string& bytes, const char* type) {
    for (size_t at = 8; at + 8 <= bytes.size(); at += 12 + read_be32(bytes, at)) {
        if (bytes.compare(at + 4, 4, type) == 0) return at;
    }
    throw std::runtime_error(std::string("no chunk ") + type);
}

void update_crc(std::string* bytes, size_t chunk) {
    uint32_t length = read_be32(*bytes, chunk);
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(bytes->data() + chunk + 4), length + 4);
    write_be32(bytes, chunk + 8 + length, static_cast<uint32_t>(crc));
}

}  // namespace

void write_png(const std::string& path, const PngShape& shape) {
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
    png_set_IHDR(png, info, shape.width, shape.height, shape.bit_depth, shape.color_type,
                 shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    set_extra_chunks(png, info, shape);
    if (!shape.icc_profile.empty()) {
        png_set_iCCP(png, info, "profile", PNG_COMPRESSION_TYPE_BASE,
                     reinterpret_cast<png_const_bytep>(shape.icc_profile.data()),
                     static_cast<png_uint_32>(shape.icc_profile.size()));
    }
    png_write_info(png, info);
    const size_t row_bytes = (size_t(shape.width) * channels_of(shape.color_type) * shape.bit_depth + 7) / 8;
    std::vector<std::vector<png_byte>> rows(shape.height, std::vector<png_byte>(row_bytes, 0));
    std::vector<png_bytep> pointers;
    for (int y = 0; y < shape.height; ++y) {
        pack_row(shape, y, &rows[y]);
        pointers.push_back(rows[y].data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    fclose(file);
}

std::string expected_pixels(const PngShape& shape) {
    std::string pixels;
    const unsigned max = max_sample(shape);
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            if (shape.color_type == PNG_COLOR_TYPE_PALETTE) {
                png_color color = palette_color(stored_sample(shape, x, y, 0), 1 << shape.bit_depth);
                pixels += {char(color.red), char(color.green), char(color.blue)};
                continue;
            }
            for (int c = 0; c < color_channels(shape); ++c) {
                unsigned value = stored_sample(shape, x, y, c);
                pixels += static_cast<char>(shape.bit_depth == 16 ? value >> 8 : value * 255 / max);
            }
        }
    }
    return pixels;
}

std::string expected_alpha(const PngShape& shape) {
    std::string alpha;
    bool translucent = false;
    for (int y = 0; y < shape.height; ++y) {
        for (int x = 0; x < shape.width; ++x) {
            unsigned value = 255;
            if (has_alpha_channel(shape.color_type)) {
                value = translucent_pixel(shape, x) ? 127 : 255;
            } else if (shape.transparency && shape.color_type == PNG_COLOR_TYPE_PALETTE) {
                value = palette_alpha(stored_sample(shape, x, y, 0));
            } else if (shape.transparency && shape.color_type == PNG_COLOR_TYPE_GRAY) {
                value = stored_sample(shape, x, y, 0) == 0 ? 0 : 255;
            }
            translucent = translucent || value != 255;
            alpha += static_cast<char>(value);
        }
    }
    return translucent ? alpha : "";
}

void patch_png_chunk(const std::string& path, const char* type, int flip_at, bool break_crc) {
    std::string bytes = read_bytes(path);
    size_t chunk = find_chunk(bytes, type);
    if (flip_at >= 0) bytes[chunk + 8 + flip_at] = static_cast<char>(~bytes[chunk + 8 + flip_at]);
    update_crc(&bytes, chunk);
    if (break_crc) {
        size_t crc_at = chunk + 8 + read_be32(bytes, chunk);
        bytes[crc_at] = static_cast<char>(~bytes[crc_at]);
    }
    write_bytes(path, bytes);
}

void set_png_size(const std::string& path, unsigned width, unsigned height) {
    std::string bytes = read_bytes(path);
    size_t chunk = find_chunk(bytes, "IHDR");
    write_be32(&bytes, chunk + 8, width);
    write_be32(&bytes, chunk + 12, height);
    update_crc(&bytes, chunk);
    write_bytes(path, bytes);
}

void write_rgb_png(const std::string& path, int width, int height) {
    PngShape shape;
    shape.width = width;
    shape.height = height;
    write_png(path, shape);
}
