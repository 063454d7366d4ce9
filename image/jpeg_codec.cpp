#include "image/jpeg_codec.h"

// jpeglib.h needs <cstdio> before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <libexif/exif-data.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "image/colour.h"
#include "image/resample.h"

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

// Reads the scanlines of a started decompression into `reducer` (CMYK as RGB), converted
// to sRGB by `colour` when it holds a conversion. `rows` holds one decoded row and one
// converted row; errors leave by longjmp.
void read_scanlines(jpeg_decompress_struct* cinfo, AreaReducer* reducer, JSAMPLE* rows, bool cmyk,
                    const ColourTransform& colour) {
    const size_t width = cinfo->output_width;
    JSAMPLE* converted = rows + width * cinfo->output_components;
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = rows;
        jpeg_read_scanlines(cinfo, &row, 1);
        if (colour.handle != nullptr) {
            apply_transform(colour, rows, converted, width);
        } else if (cmyk) {
            cmyk_to_rgb(rows, converted, width, cinfo->saw_Adobe_marker);
        }
        add_row(reducer, colour.handle != nullptr || cmyk ? converted : rows);
    }
}

// Every picture is decoded at a DCT scaling, M/8, the smallest that still leaves `least`
// pixels: libjpeg-turbo then decodes from fewer coefficients, far faster than a full decode,
// and its scaling is a fair filter (a photo's area average from a 5/8 decode comes within
// 53 dB of one from the full decode, text within 31 dB, none of it visibly softer).
void choose_scale(jpeg_decompress_struct* cinfo, PixelSize least) {
    cinfo->scale_denom = 8;
    for (unsigned m = 1; m <= 8; ++m) {
        cinfo->scale_num = m;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= least.width && cinfo->output_height >= least.height) break;
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

namespace {

// Readies `cinfo` to read `file`, keeping the EXIF and ICC markers; errors then jump to
// `errors->jump` with libjpeg's words in `errors->message`.
void start_jpeg(jpeg_decompress_struct* cinfo, JpegErrors* errors, FILE* file) {
    cinfo->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = on_jpeg_error;
    errors->base.emit_message = on_jpeg_message;
    jpeg_create_decompress(cinfo);
    jpeg_stdio_src(cinfo, file);
    jpeg_save_markers(cinfo, EXIF_MARKER, 0xFFFF);
    jpeg_save_markers(cinfo, ICC_MARKER, 0xFFFF);
}

std::optional<Failure> read_jpeg_header(FILE* file, ImageHeader* header) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return Failure{"", 0, errors.message};
    }
    start_jpeg(&cinfo, &errors, file);
    jpeg_read_header(&cinfo, TRUE);
    *header = {cinfo.image_width, cinfo.image_height, marker_orientation(cinfo), true};
    jpeg_destroy_decompress(&cinfo);
    return std::nullopt;
}

// Only trivially destructible locals live here, since libjpeg errors arrive by longjmp.
std::optional<Failure> decode_jpeg(FILE* file, PixelSize least, AreaReducer* reducer, bool* passthrough) {
    jpeg_decompress_struct cinfo;
    JpegErrors errors;
    JSAMPLE* volatile rows = nullptr;
    void* volatile colour_handle = nullptr;  // the colour transform, closed on every way out
    if (setjmp(errors.jump)) {
        ColourTransform open_transform = {colour_handle};
        close_transform(&open_transform);
        free(rows);
        jpeg_destroy_decompress(&cinfo);
        return Failure{"", 0, errors.message};
    }
    start_jpeg(&cinfo, &errors, file);
    jpeg_read_header(&cinfo, TRUE);
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    const int orientation = marker_orientation(cinfo);
    ColourTransform colour = colour_transform(&cinfo, cmyk);
    colour_handle = colour.handle;
    choose_scale(&cinfo, least);
    jpeg_start_decompress(&cinfo);
    const int channels = cmyk ? 3 : cinfo.output_components;
    rows = static_cast<JSAMPLE*>(malloc(size_t{cinfo.output_width} * (cinfo.output_components + channels)));
    if (rows == nullptr || !start_reduction(reducer, cinfo.output_width, cinfo.output_height, channels)) {
        snprintf(errors.message, sizeof errors.message, "not enough memory");
        longjmp(errors.jump, 1);
    }
    read_scanlines(&cinfo, reducer, rows, cmyk, colour);
    const bool scaled = cinfo.scale_num != cinfo.scale_denom;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    free(rows);
    const bool converted = colour.handle != nullptr;
    close_transform(&colour);
    // A file whose colours were converted cannot go in as it is.
    *passthrough = !cmyk && orientation == 1 && !converted && !scaled;
    return std::nullopt;
}

}  // namespace

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
    cinfo.in_color_space = channels == 1 ? JCS_GRAYSCALE : channels == 4 ? JCS_CMYK : JCS_RGB;
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

const ImageDecoder JPEG_DECODER = {
    IMAGE_JPEG,
    [](const unsigned char* head, size_t size) { return size >= 3 && memcmp(head, JPEG_SIGNATURE, 3) == 0; },
    read_jpeg_header, decode_jpeg};
