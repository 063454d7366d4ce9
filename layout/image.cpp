#include "layout/image.h"

#include <fcntl.h>
#include <png.h>
#include <stb_image_resize.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "layout/jpeg_codec.h"
#include "layout/png_decode.h"
#include "settings/text_util.h"

namespace {

constexpr unsigned char JPEG_SIGNATURE[3] = {0xFF, 0xD8, 0xFF};
constexpr float POINTS_PER_INCH = 72.0f;

[[noreturn]] void out_of_memory(const SourceImage& image) {
    fprintf(stderr, "Error: cannot read image %s: not enough memory\n", image.path);
    exit(1);
}

// Reads the whole file; false with a reason when it cannot.
bool read_file(const char* path, unsigned char** bytes, size_t* size, char* reason, size_t reason_size) {
    const char* why = nullptr;
    FilePtr file = open_regular_file(path, &why);
    if (!file) {
        snprintf(reason, reason_size, "%s", why);
        return false;
    }
    fseek(file.get(), 0, SEEK_END);
    const long long length = ftell(file.get());
    rewind(file.get());
    if (length < 0 || length > MAX_IMAGE_FILE_BYTES) {
        snprintf(reason, reason_size, "image too large");
        return false;
    }
    *size = static_cast<size_t>(length);
    *bytes = static_cast<unsigned char*>(malloc(*size > 0 ? *size : 1));
    if (*bytes == nullptr) {
        snprintf(reason, reason_size, "not enough memory");
        return false;
    }
    if (fread(*bytes, 1, *size, file.get()) != *size) {
        free(*bytes);
        snprintf(reason, reason_size, "Read Error");
        return false;
    }
    return true;
}

// Drops an alpha channel that holds nothing but opaque pixels, so no soft mask is made.
void drop_opaque_alpha(SourceImage* image) {
    if (image->channels != 2 && image->channels != 4) return;
    const size_t pixels = static_cast<size_t>(image->width) * image->height;
    const int colors = image->channels - 1;
    for (size_t i = 0; i < pixels; ++i) {
        if (image->samples[i * image->channels + colors] != 255) return;
    }
    for (size_t i = 0; i < pixels; ++i) {
        memmove(image->samples + i * colors, image->samples + i * image->channels, colors);
    }
    image->channels = colors;
}

// Samples `image` at `size` pixels with stb_image_resize: sRGB values filtered in linear
// light, colours weighted by their alpha. Returns malloc'd samples, or null.
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

// Writes `samples` as JPEG and loads that into the document.
HPDF_Image load_as_jpeg(HPDF_Doc document, const SourceImage& image, const unsigned char* samples,
                        PixelSize size) {
    unsigned char* jpeg = nullptr;
    unsigned long jpeg_size = 0;
    if (!encode_jpeg(samples, size.width, size.height, image.channels, JPEG_QUALITY, &jpeg, &jpeg_size)) {
        out_of_memory(image);
    }
    HPDF_Image result = HPDF_LoadJpegImageFromMem(document, jpeg, static_cast<HPDF_UINT>(jpeg_size));
    free(jpeg);
    return result;
}

// Loads `samples` as raw 8-bit data (compressed by libharu on saving), the alpha channel
// as a soft mask.
HPDF_Image load_raw(HPDF_Doc document, const SourceImage& image, const unsigned char* samples,
                    PixelSize size) {
    const bool has_alpha = image.channels == 2 || image.channels == 4;
    const int colors = has_alpha ? image.channels - 1 : image.channels;
    const size_t pixels = static_cast<size_t>(size.width) * size.height;
    unsigned char* color = static_cast<unsigned char*>(malloc(pixels * colors));
    unsigned char* alpha = has_alpha ? static_cast<unsigned char*>(malloc(pixels)) : nullptr;
    if (color == nullptr || (has_alpha && alpha == nullptr)) out_of_memory(image);
    for (size_t i = 0; i < pixels; ++i) {
        memcpy(color + i * colors, samples + i * image.channels, colors);
        if (has_alpha) alpha[i] = samples[i * image.channels + colors];
    }
    HPDF_Image result = HPDF_LoadRawImageFromMem(document, color, size.width, size.height,
                                                 colors == 3 ? HPDF_CS_DEVICE_RGB : HPDF_CS_DEVICE_GRAY, 8);
    if (has_alpha) {
        HPDF_Image_AddSMask(result, HPDF_LoadRawImageFromMem(document, alpha, size.width, size.height,
                                                             HPDF_CS_DEVICE_GRAY, 8));
    }
    free(color);
    free(alpha);
    return result;
}

// libharu parses a copied JPEG's markers itself, more strictly than libjpeg; it is asked
// first, in a scratch document without an error handler, so that a file libjpeg reads is
// written anew rather than ending the run with a library error.
bool libharu_reads_jpeg(const unsigned char* bytes, size_t size) {
    HPDF_Doc scratch = HPDF_New(nullptr, nullptr);
    if (scratch == nullptr) return false;
    const bool read = HPDF_LoadJpegImageFromMem(scratch, bytes, static_cast<HPDF_UINT>(size)) != nullptr;
    HPDF_Free(scratch);
    return read;
}

}  // namespace

bool image_file_opens(const char* path) {
    // Non-blocking, so a FIFO opens at once; the loader then refuses it by name.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

bool load_source_image(const char* path, SourceImage* image, char* reason, size_t reason_size) {
    memset(image, 0, sizeof *image);
    image->path = path;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (!read_file(path, &bytes, &size, reason, reason_size)) return false;
    bool decoded = false, passthrough = false;
    if (size >= 8 && png_sig_cmp(bytes, 0, 8) == 0) {
        image->kind = IMAGE_PNG;
        decoded = decode_png(bytes, size, image, &passthrough, reason, reason_size);
    } else if (size >= 3 && memcmp(bytes, JPEG_SIGNATURE, 3) == 0) {
        image->kind = IMAGE_JPEG;
        decoded = decode_jpeg(bytes, size, image, &passthrough, reason, reason_size);
        passthrough = passthrough && libharu_reads_jpeg(bytes, size);
    } else {
        snprintf(reason, reason_size, "not a PNG or JPEG file");
    }
    if (decoded && passthrough) {
        image->file_bytes = bytes;
        image->file_size = size;
    } else {
        free(bytes);
    }
    if (decoded) drop_opaque_alpha(image);
    return decoded;
}

void free_source_image(SourceImage* image) {
    free(image->samples);
    free(image->file_bytes);
    memset(image, 0, sizeof *image);
}

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

HPDF_Image embed_image(HPDF_Doc document, const SourceImage& image, float drawn_width, float drawn_height,
                       const ImageOptions& options) {
    const PixelSize size =
        embedded_size(image.width, image.height, drawn_width, drawn_height, options.resolution);
    const bool resampled = size.width != image.width || size.height != image.height;
    if (!resampled && image.file_bytes != nullptr) {
        const HPDF_UINT length = static_cast<HPDF_UINT>(image.file_size);
        return image.kind == IMAGE_JPEG ? HPDF_LoadJpegImageFromMem(document, image.file_bytes, length)
                                        : HPDF_LoadPngImageFromMem(document, image.file_bytes, length);
    }
    unsigned char* reduced = resampled ? resample(image, size) : nullptr;
    if (resampled && reduced == nullptr) out_of_memory(image);
    const unsigned char* samples = resampled ? reduced : image.samples;
    const bool translucent = image.channels == 2 || image.channels == 4;
    HPDF_Image result = image.kind == IMAGE_JPEG || (options.jpeg_compression && !translucent)
                            ? load_as_jpeg(document, image, samples, size)
                            : load_raw(document, image, samples, size);
    free(reduced);
    return result;
}
