#include "image/png_decode.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/colour.h"
#include "image/resample.h"

namespace {

// libpng allocates what a chunk before the image data says it holds and only then finds
// the file too short: a fuzzed chunk claiming 1.2 GB cost 9 s and 1.2 GB of memory. Such a
// file fails here at once, with the same words. The file is left at its start.
bool header_chunks_fit(FILE* file) {
    fseek(file, 0, SEEK_END);
    const long size = ftell(file);
    unsigned char head[8];
    bool fit = true;
    for (long offset = 8; offset + 8 <= size;) {
        if (fseek(file, offset, SEEK_SET) != 0 || fread(head, 1, 8, file) != 8) break;
        const long length = (long{head[0]} << 24) | (long{head[1]} << 16) | (long{head[2]} << 8) | head[3];
        if (memcmp(head + 4, "IDAT", 4) == 0) break;
        if (length > size - offset - 8) {
            fit = false;
            break;
        }
        offset += length + 12;
    }
    rewind(file);
    return fit;
}

// What libpng's callbacks report back: the error text and whether anything made libpng warn.
struct PngErrors {
    char message[256];
    bool warned;
};

void on_png_error(png_structp png, png_const_charp message) {
    snprintf(static_cast<PngErrors*>(png_get_error_ptr(png))->message, sizeof(PngErrors::message), "%s",
             message);
    png_longjmp(png, 1);
}

// A readable image with odd chunks prints fine; libharu's own reader would refuse it.
void on_png_warning(png_structp png, png_const_charp) {
    static_cast<PngErrors*>(png_get_error_ptr(png))->warned = true;
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

// Everything a decode holds, released on every way out (libpng errors arrive by longjmp,
// so the decoding function itself keeps only trivially destructible locals).
struct PngDecode {
    png_structp png = nullptr;
    png_infop info = nullptr;
    unsigned char* rows = nullptr;  // one row, or the whole image when interlaced
    ColourTransform colour = {nullptr};
    PngErrors errors = {"", false};
    ~PngDecode() {
        close_transform(&colour);
        free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
    }
};

std::optional<Failure> start_png(PngDecode* decode, FILE* file) {
    if (!header_chunks_fit(file)) return Failure{"", 0, "Read Error"};
    decode->png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &decode->errors, on_png_error, on_png_warning);
    decode->info = decode->png != nullptr ? png_create_info_struct(decode->png) : nullptr;
    if (decode->info == nullptr) return Failure{"", 0, "not enough memory"};
    png_init_io(decode->png, file);
    return std::nullopt;
}

// Reads the rows into `reducer`, converting their colours; interlaced images only come
// whole, so they are read whole first. Errors leave by longjmp.
void read_rows(PngDecode* decode, AreaReducer* reducer) {
    png_structp png = decode->png;
    const bool interlaced = png_get_interlace_type(png, decode->info) != PNG_INTERLACE_NONE;
    request_8_bit_samples(png, decode->info);
    const int channels = png_get_channels(png, decode->info);
    const uint32_t width = png_get_image_width(png, decode->info),
                   height = png_get_image_height(png, decode->info);
    const size_t row_bytes = png_get_rowbytes(png, decode->info);
    decode->rows = static_cast<unsigned char*>(malloc(row_bytes * (interlaced ? height : 1)));
    if (decode->rows == nullptr || !start_reduction(reducer, width, height, channels)) {
        png_error(png, "not enough memory");
    }
    decode->colour = png_colour_transform(png, decode->info, channels);
    if (interlaced) {
        for (int pass = png_set_interlace_handling(png); pass > 0; --pass) {
            for (uint32_t y = 0; y < height; ++y) png_read_row(png, decode->rows + y * row_bytes, nullptr);
        }
    }
    for (uint32_t y = 0; y < height; ++y) {
        unsigned char* row = decode->rows + (interlaced ? y * row_bytes : 0);
        if (!interlaced) png_read_row(png, row, nullptr);
        if (decode->colour.handle != nullptr) apply_transform(decode->colour, row, row, width);
        add_row(reducer, row);
    }
}

std::optional<Failure> read_png_header(FILE* file, ImageHeader* header) {
    PngDecode decode;
    if (std::optional<Failure> failed = start_png(&decode, file)) return failed;
    if (setjmp(png_jmpbuf(decode.png))) return Failure{"", 0, decode.errors.message};
    png_read_info(decode.png, decode.info);
    *header = {png_get_image_width(decode.png, decode.info), png_get_image_height(decode.png, decode.info), 1,
               false};
    return std::nullopt;
}

std::optional<Failure> decode_png(FILE* file, [[maybe_unused]] PixelSize least, AreaReducer* reducer,
                                  bool* passthrough) {
    PngDecode decode;
    if (std::optional<Failure> failed = start_png(&decode, file)) return failed;
    volatile bool image_read = false;  // the samples are complete; only the chunks after them are left
    volatile bool indexed = false;
    if (setjmp(png_jmpbuf(decode.png))) {
        // A fault after the image data spoils nothing we print, but libharu must not see it.
        *passthrough = false;
        if (image_read) return std::nullopt;
        return Failure{"", 0, decode.errors.message};
    }
    png_read_info(decode.png, decode.info);
    indexed = png_get_color_type(decode.png, decode.info) == PNG_COLOR_TYPE_PALETTE &&
              !png_get_valid(decode.png, decode.info, PNG_INFO_tRNS) &&
              png_get_interlace_type(decode.png, decode.info) == PNG_INTERLACE_NONE;
    read_rows(&decode, reducer);
    image_read = true;
    // libharu reads the whole file, so a palette image it is to read is checked to its end.
    if (indexed) png_read_end(decode.png, nullptr);
    *passthrough = indexed && !decode.errors.warned && decode.colour.handle == nullptr;
    return std::nullopt;
}

}  // namespace

const ImageDecoder PNG_DECODER = {
    IMAGE_PNG,
    [](const unsigned char* head, size_t size) { return size >= 8 && png_sig_cmp(head, 0, 8) == 0; },
    read_png_header, decode_png};
