#include "image/png_decode.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/colour.h"

namespace {

// libpng allocates what a chunk before the image data says it holds and only then finds
// the file too short: a fuzzed chunk claiming 1.2 GB cost 9 s and 1.2 GB of memory. Such a
// file fails here at once, with the same words.
bool header_chunks_fit(const unsigned char* bytes, size_t size) {
    for (size_t offset = 8; offset + 8 <= size;) {
        const size_t length = (size_t{bytes[offset]} << 24) | (size_t{bytes[offset + 1]} << 16) |
                              (size_t{bytes[offset + 2]} << 8) | bytes[offset + 3];
        if (memcmp(bytes + offset + 4, "IDAT", 4) == 0) return true;
        if (length > size - offset - 8) return false;
        offset += length + 12;
    }
    return true;
}

// What libpng's callbacks need: the bytes still to read, the error text and whether
// anything made libpng warn.
struct PngReader {
    const unsigned char* bytes;
    size_t size;
    size_t offset;
    char message[256];
    bool warned;
};

PngReader* reader_of(png_structp png) { return static_cast<PngReader*>(png_get_io_ptr(png)); }

void on_png_error(png_structp png, png_const_charp message) {
    snprintf(static_cast<PngReader*>(png_get_error_ptr(png))->message, sizeof(PngReader::message), "%s",
             message);
    png_longjmp(png, 1);
}

// A readable image with odd chunks prints fine; libharu's own reader would refuse it.
void on_png_warning(png_structp png, png_const_charp) {
    static_cast<PngReader*>(png_get_error_ptr(png))->warned = true;
}

void read_bytes(png_structp png, png_bytep data, png_size_t length) {
    PngReader* reader = reader_of(png);
    if (length > reader->size - reader->offset) png_error(png, "Read Error");  // cut short
    memcpy(data, reader->bytes + reader->offset, length);
    reader->offset += length;
}

// Sets libpng up to deliver 8-bit grey or RGB samples, with alpha when the file has any
// transparency, whatever the file's depth, palette or interlacing. Gamma is left alone:
// the stored values are printed as they are, as image viewers show them.
void request_8_bit_samples(png_structp png, png_infop info) {
    png_set_expand(png);  // palette to RGB, low-bit grey to 8 bits, tRNS to an alpha channel
    png_set_scale_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// The conversion of the image's RGB samples from the profile in its iCCP chunk to sRGB,
// when it has one that is not sRGB.
ColourTransform png_colour_transform(png_structp png, png_infop info, int channels) {
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    if (channels < 3 || !png_get_valid(png, info, PNG_INFO_iCCP) ||
        !png_get_iCCP(png, info, &name, &compression, &profile, &length)) {
        return {nullptr};
    }
    return rgb_transform(profile, length, channels);
}

}  // namespace

// Only trivially destructible locals live here, since libpng errors arrive by longjmp.
bool decode_png(const unsigned char* bytes, size_t size, SourceImage* image, bool* passthrough, char* reason,
                size_t reason_size) {
    if (!header_chunks_fit(bytes, size)) {
        snprintf(reason, reason_size, "Read Error");
        return false;
    }
    PngReader reader = {bytes, size, 0, "", false};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reader, on_png_error, on_png_warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    png_bytep* volatile rows = nullptr;      // set after setjmp, freed after longjmp
    void* volatile colour_handle = nullptr;  // the colour transform, closed on every way out
    volatile bool image_read = false;        // the samples are complete; only the chunks after them are left
    image->samples = nullptr;
    if (info == nullptr) {
        snprintf(reason, reason_size, "not enough memory");
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        ColourTransform open_transform = {colour_handle};
        close_transform(&open_transform);
        free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
        // A fault after the image data spoils nothing we print, but libharu must not see it.
        if (image_read) {
            *passthrough = false;
            return true;
        }
        free(image->samples);
        image->samples = nullptr;
        snprintf(reason, reason_size, "%s", reader.message);
        return false;
    }
    png_set_read_fn(png, &reader, read_bytes);
    png_read_info(png, info);
    image->width = png_get_image_width(png, info);
    image->height = png_get_image_height(png, info);
    if (static_cast<unsigned long long>(image->width) * image->height > MAX_IMAGE_PIXELS) {
        png_error(png, "image too large");
    }
    const bool indexed = png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
                         !png_get_valid(png, info, PNG_INFO_tRNS) &&
                         png_get_interlace_type(png, info) == PNG_INTERLACE_NONE;
    request_8_bit_samples(png, info);
    image->channels = png_get_channels(png, info);
    const size_t row_bytes = png_get_rowbytes(png, info);
    image->samples = static_cast<unsigned char*>(malloc(row_bytes * image->height));
    rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * image->height));
    if (image->samples == nullptr || rows == nullptr) png_error(png, "not enough memory");
    for (png_uint_32 y = 0; y < image->height; ++y) rows[y] = image->samples + y * row_bytes;
    ColourTransform colour = png_colour_transform(png, info, image->channels);
    colour_handle = colour.handle;
    png_read_image(png, rows);
    image_read = true;
    const bool converted = colour.handle != nullptr;
    if (converted)
        apply_transform(colour, image->samples, image->samples, size_t{image->width} * image->height);
    colour_handle = nullptr;
    close_transform(&colour);
    // libharu reads the whole file, so a palette image it is to read is checked to its end.
    if (indexed) png_read_end(png, nullptr);
    free(rows);
    rows = nullptr;
    png_destroy_read_struct(&png, &info, nullptr);
    *passthrough = indexed && !reader.warned && !converted;
    return true;
}

const ImageDecoder PNG_DECODER = {
    IMAGE_PNG,
    [](const unsigned char* bytes, size_t size) { return size >= 8 && png_sig_cmp(bytes, 0, 8) == 0; },
    decode_png};
