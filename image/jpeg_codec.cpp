#include "image/jpeg_codec.h"

// jpeglib.h needs <cstdio> before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <libexif/exif-data.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "image/colour.h"

namespace {

constexpr int EXIF_MARKER = JPEG_APP0 + 1;
constexpr int ICC_MARKER = JPEG_APP0 + 2;
constexpr unsigned char JPEG_SIGNATURE[3] = {0xFF, 0xD8, 0xFF};

// libjpeg reports through these: errors jump back to the decoder, and a warning about
// damaged data (a file cut short, a corrupt segment) fails the image too, since libjpeg
// would otherwise fill the rest with grey and carry on.
struct JpegErrors {
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void on_jpeg_error(j_common_ptr cinfo) {
    JpegErrors* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    longjmp(errors->jump, 1);
}

void on_jpeg_message(j_common_ptr cinfo, int level) {
    // Extraneous bytes before a marker are common in camera files and harm nothing.
    if (level < 0 && cinfo->err->msg_code != JWRN_EXTRANEOUS_DATA) on_jpeg_error(cinfo);
}

// The orientation of the first APP1 segment that holds EXIF data.
int marker_orientation(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker != nullptr; marker = marker->next) {
        if (marker->marker == EXIF_MARKER && marker->data_length > 6 &&
            memcmp(marker->data, "Exif\0\0", 6) == 0) {
            return exif_orientation(marker->data, marker->data_length);
        }
    }
    return 1;
}

// Adobe's CMYK JPEGs store inverted ink; either way white paper is no ink at all.
void cmyk_to_rgb(const JSAMPLE* cmyk, unsigned char* rgb, size_t pixels, bool inverted) {
    for (size_t i = 0; i < pixels; ++i, cmyk += 4, rgb += 3) {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink_free = inverted ? cmyk[c] : 255u - cmyk[c];
            rgb[c] = static_cast<unsigned char>((ink_free * k + 127) / 255);
        }
    }
}

// Where the upright pixel (x, y) of an image stored `width` x `height` lies in the stored
// samples, for EXIF orientations 1 to 8.
size_t stored_index(int orientation, size_t x, size_t y, size_t width, size_t height) {
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
        case 8:
            return x * width + (width - 1 - y);
        default:
            return y * width + x;
    }
}

// Turns `image` upright; false when out of memory.
bool turn_upright(SourceImage* image, int orientation) {
    if (orientation < 2 || orientation > 8) return true;
    const size_t width = image->width, height = image->height, channels = image->channels;
    const bool swapped = orientation >= 5;
    const size_t upright_width = swapped ? height : width, upright_height = swapped ? width : height;
    unsigned char* turned = static_cast<unsigned char*>(malloc(width * height * channels));
    if (turned == nullptr) return false;
    for (size_t y = 0; y < upright_height; ++y) {
        for (size_t x = 0; x < upright_width; ++x) {
            memcpy(turned + (y * upright_width + x) * channels,
                   image->samples + stored_index(orientation, x, y, width, height) * channels, channels);
        }
    }
    free(image->samples);
    image->samples = turned;
    image->width = static_cast<uint32_t>(upright_width);
    image->height = static_cast<uint32_t>(upright_height);
    return true;
}

// Reads the scanlines of a started decompression into `image->samples` (CMYK as RGB),
// converted to sRGB by `colour` when it holds a conversion. `cmyk_rows` is a scratch row
// for CMYK data; errors leave by longjmp.
void read_scanlines(jpeg_decompress_struct* cinfo, SourceImage* image, JSAMPLE* cmyk_row,
                    const ColourTransform& colour) {
    const size_t row_bytes = static_cast<size_t>(image->width) * image->channels;
    while (cinfo->output_scanline < cinfo->output_height) {
        unsigned char* row = image->samples + cinfo->output_scanline * row_bytes;
        JSAMPROW target = cmyk_row != nullptr ? cmyk_row : row;
        jpeg_read_scanlines(cinfo, &target, 1);
        if (colour.handle != nullptr) {
            apply_transform(colour, target, row, image->width);
        } else if (cmyk_row != nullptr) {
            cmyk_to_rgb(cmyk_row, row, image->width, cinfo->saw_Adobe_marker);
        }
    }
}

// The conversion the picture's colours need: from its own ICC profile (APP2), and for
// CMYK without one from the default press profile. Grey pictures stay as they are.
ColourTransform colour_transform(jpeg_decompress_struct* cinfo, bool cmyk) {
    JOCTET* profile = nullptr;
    unsigned int size = 0;
    if (!jpeg_read_icc_profile(cinfo, &profile, &size)) profile = nullptr;
    ColourTransform transform = {nullptr};
    if (cmyk) {
        transform = cmyk_transform(profile, size, cinfo->saw_Adobe_marker);
    } else if (cinfo->out_color_space == JCS_RGB) {
        transform = rgb_transform(profile, size, 3);
    }
    free(profile);
    return transform;
}

}  // namespace

int exif_orientation(const unsigned char* app1, size_t size) {
    ExifData* data = exif_data_new_from_data(app1, static_cast<unsigned int>(size));
    if (data == nullptr) return 1;
    int orientation = 1;
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry != nullptr && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1) {
        orientation = exif_get_short(entry->data, exif_data_get_byte_order(data));
    }
    exif_data_unref(data);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// Only trivially destructible locals live here, since libjpeg errors arrive by longjmp.
bool decode_jpeg(const unsigned char* bytes, size_t size, SourceImage* image, bool* passthrough, char* reason,
                 size_t reason_size) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    JSAMPLE* volatile cmyk_row = nullptr;
    void* volatile colour_handle = nullptr;  // the colour transform, closed on every way out
    image->samples = nullptr;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = on_jpeg_error;
    errors.base.emit_message = on_jpeg_message;
    if (setjmp(errors.jump)) {
        ColourTransform open_transform = {colour_handle};
        close_transform(&open_transform);
        free(cmyk_row);
        free(image->samples);
        image->samples = nullptr;
        jpeg_destroy_decompress(&cinfo);
        snprintf(reason, reason_size, "%s", errors.message);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes, static_cast<unsigned long>(size));
    jpeg_save_markers(&cinfo, EXIF_MARKER, 0xFFFF);
    jpeg_save_markers(&cinfo, ICC_MARKER, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (static_cast<unsigned long long>(cinfo.image_width) * cinfo.image_height > MAX_IMAGE_PIXELS) {
        snprintf(errors.message, sizeof errors.message, "image too large");
        longjmp(errors.jump, 1);
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    const int orientation = marker_orientation(cinfo);
    ColourTransform colour = colour_transform(&cinfo, cmyk);
    colour_handle = colour.handle;
    jpeg_start_decompress(&cinfo);
    image->width = cinfo.output_width;
    image->height = cinfo.output_height;
    image->channels = cmyk ? 3 : cinfo.output_components;
    image->samples = static_cast<unsigned char*>(
        malloc(static_cast<size_t>(image->width) * image->height * image->channels));
    if (cmyk) cmyk_row = static_cast<JSAMPLE*>(malloc(static_cast<size_t>(image->width) * 4));
    if (image->samples == nullptr || (cmyk && cmyk_row == nullptr)) {
        snprintf(errors.message, sizeof errors.message, "not enough memory");
        longjmp(errors.jump, 1);
    }
    read_scanlines(&cinfo, image, cmyk_row, colour);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    free(cmyk_row);
    const bool converted = colour.handle != nullptr;
    close_transform(&colour);
    if (!turn_upright(image, orientation)) {
        free(image->samples);
        image->samples = nullptr;
        snprintf(reason, reason_size, "not enough memory");
        return false;
    }
    // A file whose colours were converted cannot go in as it is.
    *passthrough = !cmyk && orientation == 1 && !converted;
    return true;
}

bool encode_jpeg(const unsigned char* samples, unsigned width, unsigned height, int channels, int quality,
                 unsigned char** jpeg, unsigned long* jpeg_size) {
    jpeg_compress_struct cinfo;
    JpegErrors errors;
    *jpeg = nullptr;
    *jpeg_size = 0;
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = on_jpeg_error;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&cinfo);  // the half-written buffer is libjpeg's to drop
        *jpeg = nullptr;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, jpeg, jpeg_size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = channels;
    cinfo.in_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const size_t row_bytes = static_cast<size_t>(width) * channels;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(samples + cinfo.next_scanline * row_bytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

const ImageDecoder JPEG_DECODER = {IMAGE_JPEG,
                                   [](const unsigned char* bytes, size_t size) {
                                       return size >= 3 && memcmp(bytes, JPEG_SIGNATURE, 3) == 0;
                                   },
                                   decode_jpeg};
