// Reads JPEG files with libjpeg-turbo row by row (EXIF orientation read with libexif,
// CMYK turned into RGB), and writes samples as JPEG.
#pragma once

#include <cstddef>

#include "image/image.h"

// The JPEG decoder: recognises the bytes FF D8 FF. It delivers grey or RGB rows (CMYK
// turned into RGB), converted to sRGB from an APP2 profile, at the smallest DCT scaling
// that keeps the pixels asked for; the header gives the EXIF orientation. The file's own
// bytes may go in as they are when it is grey or RGB, upright already and unconverted.
extern const ImageDecoder JPEG_DECODER;

// JPEG quality of a picture written anew as JPEG.
constexpr int JPEG_QUALITY = 90;

// Writes `samples` (width x height, 1 grey, 3 RGB or 4 CMYK channels, CMYK stored as given) as a
// baseline JPEG at `quality` into a malloc'd buffer at `*jpeg`, `*jpeg_size` bytes. Returns false when out of
// memory.
bool encode_jpeg(const unsigned char* samples, unsigned width, unsigned height, int channels, int quality,
                 unsigned char** jpeg, unsigned long* jpeg_size);

// The EXIF orientation (1..8) stored in a JPEG APP1 segment's data, 1 when it holds none.
int exif_orientation(const unsigned char* app1, size_t size);
