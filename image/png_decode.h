// Decodes PNG bytes in memory with libpng into a SourceImage's 8-bit samples.
#pragma once

#include <cstddef>

#include "image/image.h"

// The PNG decoder, for load_source_image: recognises the 8-byte PNG signature.
extern const ImageDecoder PNG_DECODER;

// Decodes the PNG `bytes` (`size` of them, signature included) into `image`'s samples,
// width, height and channels (palette to RGB, tRNS to alpha, 16 bits to 8, interlacing
// undone; alpha kept as decoded). Sets `*passthrough` when libharu's own reader may embed
// these bytes as an Indexed image: a palette image, no tRNS, not interlaced, and not a
// single libpng warning. Returns false with libpng's reason in `reason`.
bool decode_png(const unsigned char* bytes, size_t size, SourceImage* image, bool* passthrough, char* reason,
                size_t reason_size);
