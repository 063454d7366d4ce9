#include "image/image.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/file.h"
#include "image/jpeg_codec.h"
#include "image/png_decode.h"

namespace {

// Every format a picture may come in, asked in turn whether the file is theirs.
const ImageDecoder* const DECODERS[] = {&PNG_DECODER, &JPEG_DECODER};

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

const ImageDecoder* find_decoder(const unsigned char* bytes, size_t size) {
    for (const ImageDecoder* decoder : DECODERS) {
        if (decoder->recognises(bytes, size)) return decoder;
    }
    return nullptr;
}

}  // namespace

bool load_source_image(const char* path, SourceImage* image, char* reason, size_t reason_size) {
    memset(image, 0, sizeof *image);
    image->path = path;
    unsigned char* bytes = nullptr;
    size_t size = 0;
    if (!read_whole_file(path, MAX_IMAGE_FILE_BYTES, "image too large", &bytes, &size, reason, reason_size)) {
        return false;
    }
    const ImageDecoder* decoder = find_decoder(bytes, size);
    bool decoded = false, passthrough = false;
    if (decoder != nullptr) {
        image->kind = decoder->kind;
        decoded = decoder->decode(bytes, size, image, &passthrough, reason, reason_size);
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
