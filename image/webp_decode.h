// Reads WebP pictures (saved from web pages) with libwebp.
#pragma once

#include "image/image.h"

// The WebP decoder: recognises "RIFF....WEBP". libwebp scales a large picture down while
// decoding, to no fewer pixels than asked for; the EXIF orientation and ICC profile kept
// in the file's chunks are honoured. An animation is refused by name.
extern const ImageDecoder WEBP_DECODER;
