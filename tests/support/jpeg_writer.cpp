#include "tests/support/jpeg_writer.h"

// jpeglib.h needs <cstdio> before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <libexif/exif-data.h>
#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace {

// EXIF data holding only the orientation, as the bytes of an APP1 segment.
std::vector<unsigned char> exif_with_orientation(int orientation) {
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, EXIF_BYTE_ORDER_INTEL, static_cast<ExifShort>(orientation));
    unsigned char* bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    std::vector<unsigned char> result(bytes, bytes + size);
    free(bytes);
    exif_entry_unref(entry);
    exif_data_unref(data);
    return result;
}

bool in_marker(const JpegShape& shape, int x, int y) {
    const bool right = shape.marker_corner % 2 == 1, bottom = shape.marker_corner >= 2;
    return (right ? x >= shape.width - 8 : x < 8) && (bottom ? y >= shape.height - 8 : y < 8);
}

std::vector<unsigned char> row_of(const JpegShape& shape, int y, const std::vector<unsigned char>& fill) {
    std::vector<unsigned char> row;
    for (int x = 0; x < shape.width; ++x) {
        const bool marked = in_marker(shape, x, y);
        if (!marked && !fill.empty()) {
            row.insert(row.end(), fill.begin(), fill.end());
        } else if (shape.components == 4) {
            // Inverted Adobe CMYK: 255 is no ink. The marker has magenta and yellow ink only.
            row.insert(row.end(), {255, static_cast<unsigned char>(marked ? 0 : 255),
                                   static_cast<unsigned char>(marked ? 0 : 255), 255});
        } else {
            row.insert(row.end(), shape.components, marked ? 0 : 255);
        }
    }
    return row;
}

}  // namespace

void write_jpeg(const std::string& path, const JpegShape& shape) { write_profiled_jpeg(path, shape, {}, ""); }

void write_profiled_jpeg(const std::string& path, const JpegShape& shape,
                         const std::vector<unsigned char>& fill, const std::string& icc_profile) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot write " + path);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = shape.width;
    cinfo.image_height = shape.height;
    cinfo.input_components = shape.components;
    cinfo.in_color_space = shape.components == 1 ? JCS_GRAYSCALE : shape.components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (shape.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (!icc_profile.empty()) {
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET*>(icc_profile.data()),
                               static_cast<unsigned>(icc_profile.size()));
    }
    if (shape.orientation > 0) {
        std::vector<unsigned char> exif = exif_with_orientation(shape.orientation);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif.data(), static_cast<unsigned>(exif.size()));
    }
    for (int y = 0; y < shape.height; ++y) {
        std::vector<unsigned char> row = row_of(shape, y, fill);
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    fclose(file);
}

namespace {

// `rgb` (shape.width x shape.height) as libheif's image, with `icc_profile` if any.
heif_image* heif_picture(const JpegShape& shape, const std::vector<unsigned char>& rgb,
                         const std::string& icc_profile) {
    heif_image* image = nullptr;
    heif_image_create(shape.width, shape.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, shape.width, shape.height, 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < shape.height; ++y)
        std::copy_n(&rgb[y * shape.width * 3], shape.width * 3, plane + y * stride);
    if (!icc_profile.empty())
        heif_image_set_raw_color_profile(image, "prof", icc_profile.data(), icc_profile.size());
    return image;
}

// The RGB samples write_jpeg makes of `shape`, `fill` as write_profiled_jpeg takes it.
std::vector<unsigned char> rgb_picture(JpegShape shape, const std::vector<unsigned char>& fill) {
    shape.components = 3;
    std::vector<unsigned char> rgb;
    for (int y = 0; y < shape.height; ++y) {
        const std::vector<unsigned char> row = row_of(shape, y, fill);
        rgb.insert(rgb.end(), row.begin(), row.end());
    }
    return rgb;
}

// Writes `rgb` as HEIC, turned by `shape`'s orientation, and `thumbnail`'s picture, if given,
// as its thumbnail (turned alike).
void write_heic(const std::string& path, const JpegShape& shape, const std::vector<unsigned char>& rgb,
                const std::string& icc_profile, const JpegShape* thumbnail = nullptr) {
    heif_context* context = heif_context_alloc();
    heif_image* image = heif_picture(shape, rgb, icc_profile);
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 95);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation =
        static_cast<heif_orientation>(shape.orientation == 0 ? 1 : shape.orientation);
    heif_image_handle* handle = nullptr;
    heif_error encoded = heif_context_encode_image(context, image, encoder, options, &handle);
    if (thumbnail != nullptr && encoded.code == heif_error_Ok) {
        heif_image* small = heif_picture(*thumbnail, rgb_picture(*thumbnail, {}), icc_profile);
        heif_image_handle* small_handle = nullptr;
        encoded = heif_context_encode_image(context, small, encoder, options, &small_handle);
        // libheif 1.15 takes the two the other way round from what its header says (heif-info
        // shows it): the thumbnail first.
        if (encoded.code == heif_error_Ok)
            encoded = heif_context_assign_thumbnail(context, small_handle, handle);
        heif_image_handle_release(small_handle);
        heif_image_release(small);
        heif_context_set_primary_image(context, handle);
    }
    const heif_error written = heif_context_write_to_file(context, path.c_str());
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(context);
    if (encoded.code != heif_error_Ok || written.code != heif_error_Ok)
        throw std::runtime_error("cannot write " + path);
}

void write_webp(const std::string& path, const JpegShape& shape, const std::vector<unsigned char>& rgb,
                bool lossless, const std::string& icc_profile) {
    uint8_t* encoded = nullptr;
    const size_t size =
        lossless ? WebPEncodeLosslessRGB(rgb.data(), shape.width, shape.height, shape.width * 3, &encoded)
                 : WebPEncodeRGB(rgb.data(), shape.width, shape.height, shape.width * 3, 95, &encoded);
    WebPMux* mux = WebPMuxNew();
    const WebPData bitstream = {encoded, size};
    WebPMuxSetImage(mux, &bitstream, 1);
    // WebP keeps the EXIF data without the "Exif\0\0" that opens a JPEG's APP1 segment.
    const std::vector<unsigned char> exif = exif_with_orientation(shape.orientation);
    const WebPData exif_chunk = {exif.data() + 6, exif.size() - 6};
    if (shape.orientation != 0) WebPMuxSetChunk(mux, "EXIF", &exif_chunk, 1);
    const WebPData icc = {reinterpret_cast<const uint8_t*>(icc_profile.data()), icc_profile.size()};
    if (!icc_profile.empty()) WebPMuxSetChunk(mux, "ICCP", &icc, 1);
    WebPData assembled;
    const bool made = size > 0 && WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK;
    if (made)
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(assembled.bytes), assembled.size);
    if (made) WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    WebPFree(encoded);
    if (!made) throw std::runtime_error("cannot write " + path);
}

}  // namespace

void write_phone_picture(const std::string& path, const JpegShape& shape, PhoneFormat format,
                         const std::string& icc_profile, const std::vector<unsigned char>& fill) {
    const std::vector<unsigned char> rgb = rgb_picture(shape, fill);
    if (format == PHONE_HEIC) {
        write_heic(path, shape, rgb, icc_profile);
    } else {
        write_webp(path, shape, rgb, format == PHONE_WEBP_LOSSLESS, icc_profile);
    }
}

void write_heic_with_thumbnail(const std::string& path, const JpegShape& shape, const JpegShape& thumbnail) {
    write_heic(path, shape, rgb_picture(shape, {}), "", &thumbnail);
}
