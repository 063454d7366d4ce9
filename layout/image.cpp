#include "layout/image.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/text_util.h"

namespace {

// 8-bit samples of a whole image, row after row, 1 to 4 channels (grey, grey + alpha,
// RGB, RGBA). `samples` is malloc'd and owned by the holder.
struct DecodedImage {
    png_byte* samples;
    png_uint_32 width;
    png_uint_32 height;
    int channels;
};

// libpng reports a bad file through these; the message is kept for the one error line.
char png_error_message[256];

void on_png_error(png_structp png, png_const_charp message) {
    snprintf(png_error_message, sizeof png_error_message, "%s", message);
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}  // a readable image with odd chunks prints fine

// Sets libpng up to deliver 8-bit grey or RGB samples, with alpha when the file has any
// transparency, whatever the file's depth, palette or interlacing. Gamma is left alone:
// the stored values are printed as they are, as image viewers show them.
void request_8_bit_samples(png_structp png, png_infop info) {
    png_set_expand(png);  // palette to RGB, low-bit grey to 8 bits, tRNS to an alpha channel
    png_set_scale_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

constexpr int PNG_SIGNATURE_SIZE = 8;

bool has_png_signature(FILE* file) {
    png_byte signature[PNG_SIGNATURE_SIZE];
    return fread(signature, 1, PNG_SIGNATURE_SIZE, file) == PNG_SIGNATURE_SIZE &&
           png_sig_cmp(signature, 0, PNG_SIGNATURE_SIZE) == 0;
}

// Decodes `file`, read past its signature; returns false with png_error_message set when it is not a readable
// PNG. Only trivially destructible locals live here, since libpng errors arrive by longjmp.
bool decode_png(FILE* file, DecodedImage* image) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    png_bytep* volatile rows = nullptr;  // set after setjmp, freed after longjmp
    image->samples = nullptr;
    if (info == nullptr) {
        snprintf(png_error_message, sizeof png_error_message, "not enough memory");
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        free(rows);
        free(image->samples);
        image->samples = nullptr;
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, PNG_SIGNATURE_SIZE);
    png_read_info(png, info);
    image->width = png_get_image_width(png, info);
    image->height = png_get_image_height(png, info);
    if (static_cast<unsigned long long>(image->width) * image->height > MAX_IMAGE_PIXELS) {
        png_error(png, "image too large");
    }
    request_8_bit_samples(png, info);
    image->channels = png_get_channels(png, info);
    const size_t row_bytes = png_get_rowbytes(png, info);
    image->samples = static_cast<png_byte*>(malloc(row_bytes * image->height));
    rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * image->height));
    if (image->samples == nullptr || rows == nullptr) png_error(png, "not enough memory");
    for (png_uint_32 y = 0; y < image->height; ++y) rows[y] = image->samples + y * row_bytes;
    png_read_image(png, rows);
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Moves the alpha samples out of the interleaved pixels into `alpha`, leaving the colour
// samples packed at the front. Returns true when some pixel is not fully opaque.
bool split_alpha(png_byte* pixels, png_byte* alpha, size_t pixel_count, int color_channels) {
    bool translucent = false;
    const int stride = color_channels + 1;
    for (size_t i = 0; i < pixel_count; ++i) {
        const png_byte* source = pixels + i * stride;
        memmove(pixels + i * color_channels, source, color_channels);
        alpha[i] = source[color_channels];
        translucent = translucent || alpha[i] != 255;
    }
    return translucent;
}

[[noreturn]] void fail(const char* path, const char* reason) {
    fprintf(stderr, "Error: cannot read image %s: %s\n", path, reason);
    exit(1);
}

}  // namespace

bool image_file_opens(const char* path) {
    // Non-blocking, so a FIFO opens at once; the loader then refuses it by name.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

HPDF_Image load_png_image(HPDF_Doc document, const char* path) {
    const char* reason = nullptr;
    FilePtr file = open_regular_file(path, &reason);
    if (!file) fail(path, reason);
    if (!has_png_signature(file.get())) fail(path, "not a PNG file");
    DecodedImage image;
    if (!decode_png(file.get(), &image)) fail(path, png_error_message);

    const bool has_alpha = image.channels == 2 || image.channels == 4;
    const int color_channels = has_alpha ? image.channels - 1 : image.channels;
    const size_t pixel_count = static_cast<size_t>(image.width) * image.height;
    png_byte* alpha = has_alpha ? static_cast<png_byte*>(malloc(pixel_count)) : nullptr;
    if (has_alpha && alpha == nullptr) fail(path, "not enough memory");
    const bool translucent = has_alpha && split_alpha(image.samples, alpha, pixel_count, color_channels);

    HPDF_Image result =
        HPDF_LoadRawImageFromMem(document, image.samples, image.width, image.height,
                                 color_channels == 3 ? HPDF_CS_DEVICE_RGB : HPDF_CS_DEVICE_GRAY, 8);
    if (translucent) {
        HPDF_Image mask =
            HPDF_LoadRawImageFromMem(document, alpha, image.width, image.height, HPDF_CS_DEVICE_GRAY, 8);
        HPDF_Image_AddSMask(result, mask);
    }
    free(alpha);
    free(image.samples);
    return result;
}
