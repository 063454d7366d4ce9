#include "tests/support/jpeg_writer.h"

// jpeglib.h needs <cstdio> before it.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <libexif/exif-data.h>

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
