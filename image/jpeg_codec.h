// Decodes JPEG bytes with libjpeg-turbo into upright 8-bit samples (EXIF orientation read
// with libexif, CMYK turned into RGB), and writes samples as JPEG.
#pragma once

#include <cstddef>

#include "image/image.h"

// The JPEG decoder, for load_source_image: recognises the bytes FF D8 FF.
extern const ImageDecoder JPEG_DECODER;

// Decodes the JPEG `bytes` into `image`'s samples, width, height and channels (1 grey or
// 3 RGB), turned upright as its EXIF orientation says. Sets `*passthrough` when the bytes
// may be embedded as they are: grey or RGB, and upright already. A damaged or truncated
// file returns false with libjpeg's reason in `reason`.
bool decode_jpeg(const unsigned char* bytes, size_t size, SourceImage* image, bool* passthrough, char* reason,
                 size_t reason_size);

// Writes `samples` (width x height, 1 or 3 channels) as a baseline JPEG at `quality` into
// a malloc'd buffer at `*jpeg`, `*jpeg_size` bytes. Returns false when out of memory.
bool encode_jpeg(const unsigned char* samples, unsigned width, unsigned height, int channels, int quality,
                 unsigned char** jpeg, unsigned long* jpeg_size);

// The EXIF orientation (1..8) stored in a JPEG APP1 segment's data, 1 when it holds none.
int exif_orientation(const unsigned char* app1, size_t size);
