// Reads PNG files with libpng, row by row, into a BoxReducer.
#pragma once

#include "image/image.h"

// The PNG decoder: recognises the 8-byte PNG signature. It delivers 8-bit grey or RGB,
// with alpha when the file has any transparency (palette to RGB, tRNS to alpha, 16 bits
// to 8, interlacing undone), converted to sRGB from an iCCP profile. The file's own bytes
// may go in as they are when libharu reads them right: a palette image without tRNS, not
// interlaced, without a single libpng warning and without a profile to apply.
extern const ImageDecoder PNG_DECODER;
